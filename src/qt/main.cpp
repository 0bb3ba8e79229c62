// zivron: the desktop program. The login window, then the main window.
//
//   zivron                      the program
//   zivron --screenshot FILE    the main window after an import of the bundled sample, as PNG

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "app/sample.h"
#include "platform/drive_root.h"
#include "qt/login_window.h"
#include "qt/main_window.h"

namespace {

using namespace zivron;

// The sample import answers its own dialogs: the file is the bundled workbook, every message OK.
class DemoPort : public qt::QtPort {
  public:
    std::string workbook;
    Answer MessageBox(const std::string&, const std::string&, Buttons) override {
        return Answer::Ok;
    }
    std::string OpenFileDialog(const FileDialogRequest&) override { return workbook; }
    void ShellOpen(const std::filesystem::path&) override {}
};

int Screenshot(const char* out) {
    DemoPort port;
    std::filesystem::path book = MapWrittenPath("C:\\ZIVRON\\Demo\\sample.xlsx");
    std::error_code ec;
    std::filesystem::create_directories(book.parent_path(), ec);
    if (Status s = WriteSampleWorkbook(book); !s) {
        std::cerr << s.error().message << "\n";
        return 1;
    }
    port.workbook = book.string();
    auto form = std::make_unique<HamaraForm>(port);
    form->Form_Load();
    masav::Institution inst = SampleInstitution();
    form->Label4 = {"מנוי הדגמה", "0"};
    form->List1.items = {{inst.name, 1}, {"גן ילדים השקד", 2}};
    form->List1.selected = 0;
    qt::MainWindow window(port, std::move(form));
    window.show();
    window.Press([&window, &inst] {
        HamaraForm& f = window.form();
        f.ChooseInstitution(
            {1, inst.name, inst.code, inst.software_code, inst.code, inst.software_code});
        f.Command6_Click();
        f.Timer1_Timer();
    });
    QApplication::processEvents();
    if (!window.grab().save(out, "PNG")) {
        std::cerr << "cannot write " << out << "\n";
        return 1;
    }
    std::cout << out << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The operator's choices live in the user's configuration ($XDG_CONFIG_HOME/zivron).
    QApplication::setOrganizationName("zivron");
    QApplication::setApplicationName("zivron");
    QApplication::setLayoutDirection(Qt::RightToLeft);
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        return Screenshot(argv[2]);
    }
    qt::QtPort port;
    qt::LoginWindow login(port);
    if (login.exec() != QDialog::Accepted || !login.form().main_window) {
        return 0;
    }
    qt::MainWindow window(port, std::move(login.form().main_window));
    window.show();
    return app.exec();
}
