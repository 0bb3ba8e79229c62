#include "spreadsheet/inspection.h"

#include "spreadsheet/cfb/compound_reader.h"
#include "spreadsheet/xls/xls_records.h"
#include "spreadsheet/zip/zip_archive.h"

namespace zivron::sheet::inspect {

Result<std::vector<Stream>> StreamsOf(std::string_view compound_file) {
    Result<std::vector<std::pair<std::u16string, std::string>>> streams =
        CompoundStreams(compound_file);
    if (!streams) {
        return streams.error();
    }
    std::vector<Stream> out;
    for (auto& [path, bytes] : streams.value()) {
        out.push_back({std::move(path), std::move(bytes)});
    }
    return out;
}

std::optional<std::vector<Record>> RecordsOf(std::string_view biff_stream) {
    std::optional<std::vector<biff::Rec>> records = biff::Split(biff_stream);
    if (!records) {
        return std::nullopt;
    }
    std::vector<Record> out;
    for (biff::Rec& r : *records) {
        out.push_back({r.type, std::move(r.data)});
    }
    return out;
}

Result<std::vector<Part>> PartsOf(const std::filesystem::path& package) {
    Result<std::vector<ZipPart>> parts = ReadZip(package);
    if (!parts) {
        return parts.error();
    }
    std::vector<Part> out;
    for (ZipPart& p : parts.value()) {
        out.push_back({std::move(p.name), std::move(p.data)});
    }
    return out;
}

Result<std::string> PackageOf(const std::vector<Part>& parts) {
    std::vector<ZipPart> zipped;
    for (const Part& p : parts) {
        zipped.push_back({p.name, p.data});
    }
    return WriteZip(zipped);
}

}  // namespace zivron::sheet::inspect
