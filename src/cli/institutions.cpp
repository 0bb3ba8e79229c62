#include "cli/institutions.h"

#include <filesystem>

#include "app/session.h"
#include "cli/cli_port.h"
#include "platform/drive_root.h"
#include "text/shaping.h"

namespace zivron::cli {

int Institutions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string email;
    std::string password;
    bool offline = false;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--offline") {
            offline = true;
        } else {
            rest.push_back(a);
        }
    }
    for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
        if (rest[i] == "--email") {
            email = rest[i + 1];
        } else if (rest[i] == "--password") {
            password = rest[i + 1];
        } else {
            return 2;
        }
    }
    if (rest.size() % 2 != 0 || rest.empty()) {
        return 2;
    }
    // Offline: the service is not asked; the last good login and the cache answer.
    CliPort port(!offline, err);
    port.answer_yes = offline;
    Session session(port);
    if (Status s = session.LogIn({email, password, false}); !s) {
        if (!s.error().message.empty()) {
            err << s.error().message << "\n";
        }
        return 1;
    }
    session.ListInstitutions();
    for (int i = 0; i < static_cast<int>(session.institutions().size()); ++i) {
        if (Status s = session.ChooseListedInstitution(i); !s) {
            err << s.error().message << "\n";
            return 1;
        }
        const Institution chosen = session.EditedInstitution();
        // What the service holds is printed, never obeyed: control characters show as U+FFFD.
        out << Printable(chosen.name) << "\t" << chosen.number << "\t"
            << Printable(chosen.credit.code) << "\t" << Printable(chosen.credit.software_code)
            << "\t" << Printable(chosen.collection.code) << "\t"
            << Printable(chosen.collection.software_code) << "\n";
    }
    return 0;
}

}  // namespace zivron::cli
