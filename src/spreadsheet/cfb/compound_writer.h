#pragma once
// A compound document (OLE2) holding streams: streams under 4096 bytes in the mini
// stream, larger ones in ordinary sectors, each exactly its own length; the allocation table as
// long as the streams need (its sectors past the header's 109 listed in DIFAT sectors).

#include <string>
#include <utility>
#include <vector>

namespace zivron::sheet {

// Each stream named by its path ("VBA/dir" inside the storage VBA); the storages are made from
// the paths, their children in the order the format sorts names.
std::string CompoundOf(std::vector<std::pair<std::u16string, std::string>> streams);

// The compound document around one stream named "Workbook".
std::string CompoundFile(const std::string& workbook_stream);

}  // namespace zivron::sheet
