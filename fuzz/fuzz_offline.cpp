// The client's offline files on arbitrary bytes: the last good login, an account's kept list and
// details, the outbox. A damaged file is moved aside and named, never a crash; what loads is
// what such a file can hold (an account number of digits).

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "service/offline_files.h"
#include "text/shaping.h"

namespace {

namespace fs = std::filesystem;

// A data folder of the run's own, so the user's files are never touched.
const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path d =
            fs::temp_directory_path() / ("zivron-fuzz-offline-" + std::to_string(::getpid()));
        fs::create_directories(d / "zivron" / "cache");
        setenv("XDG_DATA_HOME", d.c_str(), 1);
        return d;
    }();
    return folder;
}

void Put(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path folder = Folder() / "zivron";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Put(folder / "login", bytes);
    Put(folder / "cache" / "1.txt", bytes);
    Put(folder / "outbox", bytes);
    if (std::optional<zivron::KnownLogin> known = zivron::LoadKnownLogin()) {
        if (!zivron::IsDigits(known->account_number)) {
            __builtin_trap();  // a number that is no number must not load
        }
    }
    zivron::InstitutionCache cache("1");
    (void)cache.List();
    (void)zivron::Outbox::Entries();
    (void)zivron::TakeSetAsideFiles();
    return 0;
}
