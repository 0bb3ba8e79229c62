#include "cli/institutions.h"

#include <filesystem>

#include "app/login_form.h"
#include "cli/cli_port.h"
#include "import/petah.h"
#include "platform/drive_root.h"

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
    CliPort port("x", !offline);
    port.answer_yes = offline;
    // The login keeps its details file in the program's own folder, not wherever the shell is.
    WorkingFolder keep;
    std::error_code ec;
    const std::filesystem::path home = MapWrittenPath("C:\\ZIVRON");
    std::filesystem::create_directories(home, ec);
    std::filesystem::current_path(home, ec);

    LoginForm login(port);
    login.Form_Load();
    login.txtUserName = email;
    login.txtPassword = password;
    login.Check1.value = 0;
    login.cmdOK_Click();
    if (!login.main_window) {
        err << (port.messages.empty() ? "הכניסה נכשלה" : port.messages.back()) << "\n";
        return 1;
    }
    HamaraForm& form = *login.main_window;
    form.Form_Activate();
    for (std::size_t i = 0; i < form.List1.items.size(); ++i) {
        form.List1.selected = static_cast<int>(i);
        port.messages.clear();
        form.List1_Click();
        if (!port.messages.empty()) {
            err << port.messages.back() << "\n";
            return 1;
        }
        out << form.List1.items[i].text << "\t" << form.List1.items[i].data << "\t"
            << form.TextGove[box::CreditInstitutionCode].text << "\t"
            << form.TextGove[box::CreditSoftwareCode].text << "\t"
            << form.TextGove[box::CollectionMasavCode].text << "\t"
            << form.TextGove[box::CollectionSoftwareCode].text << "\n";
    }
    return 0;
}

}  // namespace zivron::cli
