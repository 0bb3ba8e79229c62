#include "cli/commands.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <map>

#include "cli/sample.h"
#include "masav/masav_file.h"
#include "platform/atomic_file.h"
#include "platform/drive_root.h"
#include "text/shaping.h"
#include "validate/bank_rules.h"
#include "validate/identity.h"

namespace zivron::cli {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  zivron-cli check-account BANK BRANCH ACCOUNT\n"
    "  zivron-cli check-id ID\n"
    "  zivron-cli demo [credit|collection]\n";

int Usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

int Verdict(bool valid, std::ostream& out) {
    out << (valid ? "valid" : "invalid") << "\n";
    return valid ? 0 : 1;
}

int CheckAccount(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() != 3) {
        return Usage(err);
    }
    // Zero-filled as the import fills them before the check.
    ChekBankNumber checker([&err](const std::string& text) { err << text << "\n"; });
    return Verdict(
        checker.CB(HashlemAfasimA(a[0], 2), HashlemAfasimA(a[1], 3), HashlemAfasimA(a[2], 9)), out);
}

int CheckId(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() != 1) {
        return Usage(err);
    }
    return Verdict(ChkID(a[0]), out);
}

masav::ValueDate Today() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900};
}

int Demo(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() > 1 || (a.size() == 1 && a[0] != "credit" && a[0] != "collection")) {
        return Usage(err);
    }
    std::vector<masav::Row> rows = SampleRows();
    masav::FileInput input;
    input.variant =
        (!a.empty() && a[0] == "collection") ? masav::Variant::Collection : masav::Variant::Credit;
    input.institution = SampleInstitution();
    input.date = Today();
    input.rows = rows;
    Result<std::string> file = masav::BuildFile(input);
    if (!file) {
        err << file.error().message << "\n";
        return 1;
    }
    std::filesystem::path path = MapWrittenPath("C:\\ZIVRON\\Shidur\\msv.001");
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (Status s = WriteFileAtomically(path, file.value()); !s) {
        err << s.error().message << "\n";
        return 1;
    }
    out << path.string() << "\n" << rows.size() << " rows, " << file.value().size() << " bytes\n";
    return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    using Command =
        std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;
    static const std::map<std::string, Command> kCommands = {
        {"check-account", CheckAccount},
        {"check-id", CheckId},
        {"demo", Demo},
    };
    if (args.empty()) {
        return Usage(err);
    }
    auto it = kCommands.find(args[0]);
    if (it == kCommands.end()) {
        return Usage(err);
    }
    return it->second(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
}

}  // namespace zivron::cli
