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

// Put in use when it is later than the edition in use and passes its checks against it.
bool Adopt(const std::string& encoded) {
    Result<banks::Edition> edition = banks::DecodeEdition(encoded);
    if (!edition) {
        return false;
    }
    std::lock_guard<std::mutex> lock(EditionMutex());
    if (!banks::LaterDate(edition.value().date, InUse())) {
        return true;  // nothing newer, nothing wrong
    }
    Result<banks::Directory> checked = banks::CheckEdition(edition.value(), *banks::Current());
    if (!checked) {
        return false;
    }
    banks::UseDirectory(std::make_shared<const banks::Directory>(std::move(checked.value())));
    InUse() = edition.value().date;
    return true;
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
    if (!text || !Adopt(text.value())) {
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
    if (!edition || edition.value().date != date || !Adopt(encoded) || BankEditionInUse() != date) {
        return;  // damaged on the way: the lists in use stay, and so does the kept file
    }
    (void)WriteFileAtomically(KeptEditionPath(), encoded);
}

}  // namespace zivron
