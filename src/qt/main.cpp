// zivron: the desktop program. The login window, then the main window.
//
//   zivron                      the program
//   zivron --screenshot FILE    the main window after an import of the bundled sample, as PNG
//   zivron --screenshot FOLDER  that, the marked rows, the review and the Masav view, as PNGs
//   zivron --time-import BOOK   a credit import of BOOK through the window; its milliseconds

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QPixmap>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "app/sample.h"
#include "app/saved_login.h"
#include "platform/drive_root.h"
#include "qt/hebrew.h"
#include "qt/keyring_login_store.h"
#include "qt/login_window.h"
#include "qt/main_window.h"
#include "run/run_paths.h"

namespace {

using namespace zivron;

// The sample's run answers its own dialogs: the file is the bundled workbook (or the Masav file
// just made), every message OK, the review accepted; with a folder, each window is saved there
// as it opens.
class DemoPort : public qt::QtPort {
  public:
    std::string workbook;
    std::filesystem::path pictures;
    Answer MessageBox(const std::string&, const std::string&, Buttons) override {
        return Answer::Ok;
    }
    std::string OpenFileDialog(const FileDialogRequest& request) override {
        return request.purpose == "show-masav" ? MapWrittenPath(kMasavFile).string() : workbook;
    }
    void ShellOpen(const std::filesystem::path&) override {}
    bool Confirm(QDialog& dialog) override {
        dialog.show();
        QApplication::processEvents();
        Save(dialog, "review.png");
        return true;
    }
    void Save(QWidget& window, const char* name) const {
        if (!pictures.empty()) {
            window.grab().save(QString::fromStdString((pictures / name).string()), "PNG");
        }
    }
};

// The main window after an import of the bundled sample as FILE; or, given a folder, the main
// window, the marked rows, the review before the file and the Masav view made from it.
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
    const bool folder = std::filesystem::is_directory(out, ec);
    if (folder) {
        port.pictures = out;
    }
    Session session(port);
    session.Prepare();
    session.SetAccount({SampleAccountName(), "0"});
    qt::MainWindow window(port, session);
    window.show();
    const masav::Institution inst = SampleInstitution();
    const PanelCodes codes{inst.code, inst.software_code};
    window.Run([&session, &inst, &codes] {
        session.ChooseInstitution({1, inst.name, codes, codes});
        session.Tick();
    });
    window.ImportWorkbook(Panel::Credit);
    QApplication::processEvents();
    if (!folder) {
        if (!window.grab().save(out, "PNG")) {
            std::cerr << "cannot write " << out << "\n";
            return 1;
        }
        std::cout << out << "\n";
        return 0;
    }
    port.Save(window, "main-window.png");
    // The marked rows: the sample with two rows spoiled, imported on its own copy.
    const std::filesystem::path spoiled = book.parent_path() / "sample-marked.xlsx";
    {
        sheet::SpreadsheetApp app({});
        Result<sheet::Workbook*> copy = app.Open(book);
        if (copy && copy.value()->WriteText(3, 5, "1003").ok() &&
            copy.value()->WriteText(6, 2, "123456789").ok() && copy.value()->SaveAs(spoiled)) {
            port.workbook = spoiled.string();
            window.ImportWorkbook(Panel::Credit);
            QApplication::processEvents();
        }
    }
    if (auto* marks = window.findChild<QWidget*>("MarksView")) {
        port.Save(*marks, "marked-rows.png");
        marks->close();
    }
    port.workbook = book.string();
    window.ImportWorkbook(Panel::Credit);
    window.BuildFile(Panel::Credit);
    window.ShowMasavFile();
    QApplication::processEvents();
    if (auto* view = window.findChild<QWidget*>("MasavView")) {
        port.Save(*view, "masav-view.png");
    }
    std::cout << out << "\n";
    return 0;
}

// A credit import of WORKBOOK through the window, drawn offscreen, its dialogs answered: the
// elapsed milliseconds on stdout, for bench/window_import_bench.py.
int TimeImport(const char* workbook) {
    DemoPort port;
    port.workbook = std::filesystem::absolute(workbook).string();
    Session session(port);
    session.Prepare();
    const masav::Institution inst = SampleInstitution();
    const PanelCodes codes{inst.code, inst.software_code};
    session.ChooseInstitution({1, inst.name, codes, codes});
    qt::MainWindow window(port, session);
    window.show();
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    window.Run([&window] { window.ImportWorkbook(Panel::Credit); });
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    const std::optional<ImportSummary>& summary = session.panel(Panel::Credit).summary;
    std::cout << "rows=" << (summary ? summary->transactions : 0) << " import_ms=" << ms << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The operator's choices live in the user's configuration ($XDG_CONFIG_HOME/zivron).
    QApplication::setOrganizationName("zivron");
    QApplication::setApplicationName("zivron");
    QApplication::setLayoutDirection(Qt::RightToLeft);
    // Dates and names of the file dialog in Hebrew, as the rest of the program.
    QLocale::setDefault(QLocale(QLocale::Hebrew, QLocale::Israel));
    qt::LoadHebrewTranslations(app);
    qt::GiveButtonsRoom(app);
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        return Screenshot(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--time-import") == 0) {
        return TimeImport(argv[2]);
    }
    qt::QtPort port;
    Session session(port);
    qt::KeyringLoginStore login_store;
    session.login_store = &login_store;
    // The old program kept the password in plain text beside itself: moved to the keyring once.
    MoveOldSavedLogin(OldSavedLoginPath(), login_store);
    qt::LoginWindow login(port, session);
    if (login.exec() != QDialog::Accepted) {
        return 0;
    }
    qt::MainWindow window(port, session);
    window.show();
    return app.exec();
}
