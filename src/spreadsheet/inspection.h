#pragma once
// A look inside the files the library reads and writes, for what checks them from outside (the
// tests of the layers above, a verifier): the streams of a compound document, the BIFF records of
// an .xls stream, the parts of a zip package. Reading and writing workbooks goes through
// workbook.h alone.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace zivron::sheet::inspect {

struct Stream {
    std::u16string path;  // "Workbook", "_VBA_PROJECT_CUR/VBA/dir"
    std::string bytes;
};
Result<std::vector<Stream>> StreamsOf(std::string_view compound_file);

struct Record {
    std::uint16_t type = 0;
    std::string data;
};
// Nothing when a record runs past the stream's end.
std::optional<std::vector<Record>> RecordsOf(std::string_view biff_stream);

struct Part {
    std::string name;
    std::string data;  // uncompressed
};
Result<std::vector<Part>> PartsOf(const std::filesystem::path& package);
// A package of the parts, in their order.
Result<std::string> PackageOf(const std::vector<Part>& parts);

}  // namespace zivron::sheet::inspect
