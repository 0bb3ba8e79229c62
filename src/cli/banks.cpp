#include "cli/banks.h"

#include "validate/bank_directory.h"

namespace zivron::cli {
namespace {

using banks::Bank;
using banks::BankState;
using banks::Branch;

std::string StateOf(const Bank& b) {
    const std::string since = b.since.empty() ? "" : " (" + b.since + ")";
    switch (b.state) {
        case BankState::Merged:
            return "מוזג לבנק " + std::to_string(b.successor) + since;
        case BankState::Replaced:
            return "הוחלף בקוד " + std::to_string(b.successor) + since;
        case BankState::Closed:
            return "נסגר" + since;
        case BankState::Active:
            break;
    }
    return "פעיל";
}

std::string LineOf(const Branch& b) {
    std::string line = std::to_string(b.code) + "\t" + b.name + "\t" + b.city + "\t" + b.address;
    if (!b.closed.empty()) {
        line += "\tנסגר ב-" + b.closed;
    }
    if (b.merged_into != 0) {
        line += "\tמוזג לסניף " + std::to_string(b.merged_into);
    }
    return line;
}

}  // namespace

int Banks(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::shared_ptr<const banks::Directory> d = banks::Current();
    if (args.empty()) {
        for (const Bank& b : d->Banks()) {
            out << b.code << "\t" << b.name << "\t" << StateOf(b) << "\n";
        }
        return 0;
    }
    std::vector<std::int64_t> codes;
    for (const std::string& a : args) {
        std::optional<std::int64_t> code = banks::CodeOf(a);
        if (!code || args.size() > 2) {
            return 2;
        }
        codes.push_back(*code);
    }
    const Bank* bank = d->FindBank(codes[0]);
    if (bank == nullptr) {
        err << "בנק " << codes[0] << " אינו ברשימת בנק ישראל\n";
        return 1;
    }
    out << bank->code << "\t" << bank->name << "\t" << StateOf(*bank) << "\n";
    if (codes.size() == 1) {
        for (const Branch* b : d->BranchesOf(bank->code)) {
            out << LineOf(*b) << "\n";
        }
        return 0;
    }
    const Branch* branch = d->FindBranch(codes[0], codes[1]);
    if (branch == nullptr) {
        err << d->BranchWarning(codes[0], codes[1]).value_or("") << "\n";
        return 1;
    }
    out << LineOf(*branch) << "\n";
    return 0;
}

}  // namespace zivron::cli
