#include "app/bank_lists.h"

#include <mutex>

#include "core/atomic_file.h"
#include "core/service_pages.h"
#include "core/user_folder.h"
#include "service/offline_files.h"
#include "validate/bank_edition.h"

namespace zivron {
namespace {

std::filesystem::path KeptEditionPath() {
    return UserDataFolder() / "bank-edition.txt";
}

std::mutex& EditionMutex() {
    static std::mutex m;
    return m;
}

std::string& InUse() {
    static std::string date = banks::kShippedEditionDate;
    return date;
}

enum class Taken { Later, NotLater, Damaged };

// Put in use when it is later than the edition in use and passes its checks against it.
Taken Adopt(const banks::Edition& edition) {
    std::lock_guard<std::mutex> lock(EditionMutex());
    if (!banks::LaterDate(edition.date, InUse())) {
        return Taken::NotLater;
    }
    Result<banks::Directory> checked = banks::CheckEdition(edition, *banks::Current());
    if (!checked) {
        return Taken::Damaged;
    }
    banks::UseDirectory(std::make_shared<const banks::Directory>(std::move(checked.value())));
    InUse() = edition.date;
    return Taken::Later;
}

}  // namespace

std::string BankEditionInUse() {
    std::lock_guard<std::mutex> lock(EditionMutex());
    return InUse();
}

void UseKeptBankEdition() {
    {
        std::lock_guard<std::mutex> lock(EditionMutex());
        banks::UseDirectory(nullptr);
        InUse() = banks::kShippedEditionDate;
    }
    const std::filesystem::path path = KeptEditionPath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return;
    }
    Result<std::string> text = ReadWholeFile(path);
    Result<banks::Edition> edition =
        text ? banks::DecodeEdition(text.value()) : Result<banks::Edition>(text.error());
    if (!edition || Adopt(edition.value()) == Taken::Damaged) {
        SetAside(path);
    }
}

void RefreshBankEdition(Port& port) {
    const std::string page = service_page::kBankEdition;
    const std::string date = port.FetchPage(page);
    if (!banks::LaterDate(date, BankEditionInUse())) {
        return;  // none, no answer, or nothing newer
    }
    const std::string encoded = port.FetchPage(page + "?get=1");
    Result<banks::Edition> edition = banks::DecodeEdition(encoded);
    // Damaged on the way, or not the edition announced: the lists in use stay, and so does the
    // kept file.
    if (edition && edition.value().date == date && Adopt(edition.value()) == Taken::Later) {
        (void)WriteFileAtomically(KeptEditionPath(), encoded);
    }
}

}  // namespace zivron
