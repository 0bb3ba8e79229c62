#pragma once
// A compound document (OLE2), the container of an .xls, read by following its allocation tables:
// one stream by name, or every stream with its path. Refused for a damaged file (a sector outside
// the file, a cycle in an allocation table, a stream longer than its chain).

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/result.h"

namespace zivron::sheet {

Result<std::string> CompoundStream(std::string_view file, std::u16string_view name);

// Every stream, named by its path from the root: "Workbook" at the root,
// "_VBA_PROJECT_CUR/VBA/dir" inside storages.
Result<std::vector<std::pair<std::u16string, std::string>>> CompoundStreams(std::string_view file);

}  // namespace zivron::sheet
