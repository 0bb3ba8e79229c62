#include "cli/commands.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "app/sample.h"
#include "app/session.h"
#include "cli/banks.h"
#include "cli/cli_port.h"
#include "cli/history.h"
#include "cli/institutions.h"
#include "cli/road.h"
#include "core/atomic_file.h"
#include "masav/masav_reader.h"
#include "platform/drive_root.h"
#include "text/shaping.h"
#include "validate/account_check.h"
#include "validate/identity.h"

namespace zivron::cli {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  zivron-cli banks [BANK [BRANCH]]\n"
    "  zivron-cli check-account [--current-rules] [--explain] BANK BRANCH ACCOUNT\n"
    "  zivron-cli check-id ID\n"
    "  zivron-cli credit WORKBOOK --institution-code C --software-code S --name NAME\n"
    "             [--value-date DD/MM/YYYY] [--leumi] [--no-fix] [--no-mark-accounts]\n"
    "             [--no-mark-ids] [--detail] [--summary] [--current-rules] [--explain]\n"
    "             [--allow-marked] [--accept-changes] [--warn-new-payees]\n"
    "             [--account-name N --account-number K]\n"
    "  zivron-cli collection WORKBOOK (the same options but --leumi)\n"
    "  zivron-cli demo [credit|collection]\n"
    "  zivron-cli institutions [--offline] --email E --password P\n"
    "  zivron-cli masav-to-excel FILE\n"
    "  zivron-cli michpal-to-excel FILE\n"
    "  zivron-cli verify FILE\n"
    "  zivron-cli history import SUMMARY.xlsx [--institution C --credit|--collection]\n"
    "  zivron-cli history show ID\n"
    "  zivron-cli history erase [--institution C]\n";

int Usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

int Verdict(bool valid, std::ostream& out) {
    out << (valid ? "valid" : "invalid") << "\n";
    return valid ? 0 : 1;
}

int CheckAccount(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RuleSet rules = RuleSet::Original;
    bool explain = false;
    std::vector<std::string> a;
    for (const std::string& arg : args) {
        if (arg == "--current-rules") {
            rules = RuleSet::Current;
        } else if (arg == "--explain") {
            explain = true;
        } else {
            a.push_back(arg);
        }
    }
    if (a.size() != 3) {
        return Usage(err);
    }
    // Zero-filled as the import fills them before the check.
    CheckResult c = CheckAccountOf(rules, a[0], a[1], a[2],
                                   [&err](const std::string& text) { err << text << "\n"; });
    const int rc = Verdict(c.valid, out);
    if (explain) {
        if (!c.reason.empty()) {
            out << c.reason << "\n";
        } else if (std::string warning = BranchWarningOf(a[0], a[1]); !warning.empty()) {
            out << warning << "\n";
        }
        if (std::string names = BankAndBranchOf(a[0], a[1]); !names.empty()) {
            out << names << "\n";
        }
    }
    return rc;
}

int CheckId(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() != 1) {
        return Usage(err);
    }
    return Verdict(IsValidIdentityNumber(a[0]), out);
}

int Road(const std::vector<std::string>& a, bool credit, std::ostream& out, std::ostream& err) {
    RoadOptions options;
    if (!ParseRoad(a, credit, options) || (!credit && options.leumi)) {
        return Usage(err);
    }
    return RunRoad(options, out, err);
}

int Credit(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    return Road(a, true, out, err);
}

int Collection(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    return Road(a, false, out, err);
}

// The main job on the bundled sample: its workbook written under the drive root, then imported
// and built as the operator would, against the service at its configured address.
int Demo(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() > 1 || (a.size() == 1 && a[0] != "credit" && a[0] != "collection")) {
        return Usage(err);
    }
    const bool credit = a.empty() || a[0] == "credit";
    std::filesystem::path workbook = MapWrittenPath("C:\\ZIVRON\\Demo\\sample.xlsx");
    std::error_code ec;
    std::filesystem::create_directories(workbook.parent_path(), ec);
    if (Status s = WriteSampleWorkbook(workbook); !s) {
        err << s.error().message << "\n";
        return 1;
    }
    RoadOptions options;
    options.credit = credit;
    options.workbook = workbook.string();
    masav::Institution inst = SampleInstitution();
    options.institution_code = inst.code;
    options.software_code = inst.software_code;
    options.name = inst.name;
    options.detail = true;
    options.summary = true;
    options.account_name = "מנוי הדגמה";
    // The demo account of scripts/run.sh, so the service keeps the run's activity entry.
    const char* number = std::getenv("ZIVRON_DEMO_ACCOUNT");
    options.account_number = number != nullptr && *number != '\0' ? number : "1001";
    out << workbook.string() << "\n";
    return RunRoad(options, out, err);
}

// A conversion of FILE into "c:\Hamara.xls"; the path of the workbook written on success.
int Convert(const std::vector<std::string>& a, bool payroll, std::ostream& out, std::ostream& err) {
    if (a.size() != 1) {
        return Usage(err);
    }
    CliPort port(false, err);
    Session session(port);
    Result<ConversionOutcome> done =
        payroll ? session.ConvertPayrollExport(a[0]) : session.ConvertMasavNames(a[0]);
    if (!done) {
        err << done.error().message << "\n";
        return 1;
    }
    if (done.value().Truncated()) {
        err << "בקובץ " << done.value().records_found << " רשומות; נכתבו "
            << done.value().records_written << " הראשונות בלבד\n";
    }
    std::error_code ec;
    out << std::filesystem::absolute(done.value().workbook, ec).string() << "\n";
    return 0;
}

int MasavToExcel(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    return Convert(a, false, out, err);
}

int MichpalToExcel(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    return Convert(a, true, out, err);
}

// A Masav file read back and printed as a person reads it; exit 1 with its first fault, 2 when it
// cannot be read at all.
int Verify(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    if (a.size() != 1) {
        return Usage(err);
    }
    Result<std::string> bytes = ReadWholeFile(a[0]);
    if (!bytes) {
        err << bytes.error().message << "\n";
        return 2;
    }
    Result<masav::ReadFile> file = masav::ReadMasavFile(bytes.value());
    if (!file) {
        err << file.error().message << "\n";
        return 1;
    }
    out << masav::DescribeFile(file.value());
    return 0;
}

int InstitutionsCommand(const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
    int rc = Institutions(a, out, err);
    return rc == 2 ? Usage(err) : rc;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    using Command =
        std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;
    static const std::map<std::string, Command> kCommands = {
        {"banks",
         [](const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
             const int rc = Banks(a, out, err);
             return rc == 2 ? Usage(err) : rc;
         }},
        {"check-account", CheckAccount},
        {"check-id", CheckId},
        {"credit", Credit},
        {"collection", Collection},
        {"demo", Demo},
        {"institutions", InstitutionsCommand},
        {"masav-to-excel", MasavToExcel},
        {"michpal-to-excel", MichpalToExcel},
        {"verify", Verify},
        {"history",
         [](const std::vector<std::string>& a, std::ostream& out, std::ostream& err) {
             const int rc = History(a, out, err);
             return rc == 2 ? Usage(err) : rc;
         }},
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
