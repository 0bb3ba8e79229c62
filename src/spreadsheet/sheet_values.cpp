#include "spreadsheet/sheet_values.h"

#include "core/atomic_file.h"
#include "spreadsheet/read_back.h"
#include "spreadsheet/xls/xls_read_back.h"
#include "spreadsheet/xls/xls_writer.h"

namespace zivron::sheet {

Status WriteValuesAsXls(const SheetValues& sheet, const std::filesystem::path& path) {
    Result<std::string> bytes = WriteXls({sheet});
    if (!bytes) {
        return bytes.error();
    }
    return WriteFileChecked(path, bytes.value(), [&](const std::filesystem::path& written) {
        return CheckXlsWritten(path, written, {}, {sheet});
    });
}

}  // namespace zivron::sheet
