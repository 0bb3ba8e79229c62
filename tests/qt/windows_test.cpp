// The Qt windows over a real service, offscreen: log in, choose an institution, import a
// workbook with the dialog answered by the test, build the credit file.

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTableWidget>
#include <QtTest/QTest>
#include <deque>

#include "qt/hebrew.h"
#include "qt/login_window.h"
#include "qt/main_window.h"
#include "service/fetch_page.h"
#include "support/road_fixture.h"
#include "support/service_process.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

// Real windows, scripted answers: no dialog waits for a person.
class TestQtPort : public qt::QtPort {
  public:
    std::string service;
    std::deque<std::string> files;
    std::vector<FileDialogRequest> requests;
    std::vector<std::string> messages;
    LocalTime clock{2026, 12, 7, 5, 30, 12, 0};
    bool ended = false;
    // Run as a message shows: what the window shows at that moment.
    std::function<void()> on_message;

    Answer MessageBox(const std::string& text, const std::string&, Buttons) override {
        messages.push_back(text);
        if (on_message) {
            on_message();
        }
        return Answer::Ok;
    }
    std::string OpenFileDialog(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (files.empty()) {
            return "";  // cancelled
        }
        std::string f = files.front();
        files.pop_front();
        return f;
    }
    void ShellOpen(const fs::path&) override {}
    LocalTime Now() override { return clock; }
    std::string ComputerName() override { return "desk-7"; }
    void EndProgram() override { ended = true; }
    std::string FetchPage(const std::string& q) override { return zivron::FetchPage(service, q); }
    // The review before a file: drawn, its default button kept, and accepted.
    std::vector<std::string> confirmed_defaults;
    bool Confirm(QDialog& dialog) override {
        dialog.show();
        // For a look at it by a person: $ZIVRON_REVIEW_PNG names where the drawn review goes.
        if (const char* png = std::getenv("ZIVRON_REVIEW_PNG")) {
            dialog.grab().save(png, "PNG");
        }
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
            if (b->isDefault()) {
                confirmed_defaults.push_back(b->objectName().toStdString());
            }
        }
        return true;
    }
};

class WindowsTest : public test::RoadTest {
  protected:
    void SetUp() override {
        RoadTest::SetUp();
        fs::create_directories(dir_ / "app");
        fs::current_path(dir_ / "app");
        service_ = std::make_unique<test::ServiceProcess>(dir_ / "service.db");
        account_ = service_->AddAccount("a@example.org", "עמותה א", "pw");
        ASSERT_EQ(zivron::FetchPage(service_->Base(),
                                    "HosefMosad.asp?MD=עמותת הדגמה&RH=12345678&BA=54321&YI=12345678"
                                    "&TL=54321&IP1=" +
                                        account_ + "&FX=עמותה א"),
                  "ok");
        qport_.service = service_->Base();
    }
    std::unique_ptr<test::ServiceProcess> service_;
    std::string account_;
    TestQtPort qport_;
};

TEST_F(WindowsTest, LoginChooseImportBuild) {
    Session session(qport_);
    qt::LoginWindow login(qport_, session);
    login.email()->setText("a@example.org");
    login.password()->setText("pw");
    login.show();
    QTest::keyClick(login.email(), Qt::Key_Return);  // Enter logs in from the e-mail box too
    ASSERT_TRUE(session.account().has_value())
        << (qport_.messages.empty() ? "" : qport_.messages.back());
    EXPECT_EQ(login.result(), QDialog::Accepted);

    qt::MainWindow window(qport_, session);
    window.Run([&session] { session.ListInstitutions(); });
    auto* list = window.findChild<QListWidget*>("Institutions");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QString("עמותת הדגמה"));
    list->setCurrentRow(0);
    EXPECT_EQ(window.Field("CreditCode")->text(), QString("12345678"));
    EXPECT_EQ(window.Field("CreditInstitutionName")->text(), QString("עמותת הדגמה"));
    EXPECT_EQ(window.Button("SaveInstitution")->text(), QString("עדכן פרטי מוסד"));
    EXPECT_EQ(window.Field("CreditCode")->maxLength(), 8);
    EXPECT_EQ(window.Field("CreditSoftwareCode")->maxLength(), 5);

    // A cancelled dialog imports nothing and says nothing.
    const std::size_t said = qport_.messages.size();
    QTest::mouseClick(window.Button("CreditImport"), Qt::LeftButton);
    EXPECT_EQ(qport_.messages.size(), said);
    EXPECT_FALSE(session.table().has_value());

    qport_.files = {WriteRoadWorkbook().string()};
    QString count_when_told;
    qport_.on_message = [&] { count_when_told = window.Field("CreditTransactions")->text(); };
    QTest::mouseClick(window.Button("CreditImport"), Qt::LeftButton);
    qport_.on_message = nullptr;
    EXPECT_EQ(count_when_told, QString("4"));  // the summary was drawn before the message
    EXPECT_EQ(qport_.messages.back(), "יבוא הקובץ הושלם");
    // The rows the import marked, with their reasons, beside the workbook.
    auto* marks = window.findChild<QWidget*>("MarksView");
    ASSERT_NE(marks, nullptr);
    auto* marked = marks->findChild<QTableWidget*>("marks");
    ASSERT_EQ(marked->rowCount(), 3);  // two marks and a branch to look at again
    EXPECT_EQ(marks->windowTitle(), QString("שורות שסומנו ביבוא (3)"));
    EXPECT_EQ(marked->item(2, 2)->text(), QString("סניף"));
    EXPECT_EQ(marked->item(2, 4)->text(), QString("בנק מזרחי טפחות בע\"מ / סניף 826"));
    EXPECT_FALSE(marked->verticalHeader()->isVisible());  // the sheet's row alone
    EXPECT_TRUE(marked->isSortingEnabled());
    EXPECT_EQ(marked->item(0, 0)->text(), QString("4"));
    EXPECT_EQ(marked->item(1, 3)->text(), QString("ספרת ביקורת שגויה"));
    EXPECT_EQ(window.Field("CreditTransactions")->text(), QString("4"));
    // Titled by the program and the institution, never by a payee's name; the import's time
    // labelled.
    EXPECT_EQ(window.windowTitle(), QString("זיברון - עמותת הדגמה"));
    EXPECT_TRUE(window.findChild<QLabel*>("ImportTime")->text().startsWith("זמן יבוא: "));
    EXPECT_EQ(window.Field("CreditTotal")->text(), QString("2584.42"));
    EXPECT_TRUE(window.Field("CreditTotal")->isReadOnly());

    QTest::mouseClick(window.Button("CreditBuild"), Qt::LeftButton);
    // Rows are marked: the review offers "ביטול" first; accepted, the file is made.
    EXPECT_EQ(qport_.confirmed_defaults, std::vector<std::string>{"Cancel"});
    // The file named where it was written, its folder offered.
    EXPECT_EQ(qport_.messages.back(),
              "הקובץ נוצר בהצלחה: " + (drive_ / "ZIVRON/Shidur/msv.001").string() +
                  "\nלפתוח את תיקיית השידור?");
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(),
              Data("masav/road_credit.001"));

    // The file just written, read back in a window of its own.
    qport_.files = {(drive_ / "ZIVRON/Shidur/msv.001").string()};
    QTest::mouseClick(window.Button("ShowMasav"), Qt::LeftButton);
    // Titled for what is chosen, opening in the transmission folder.
    EXPECT_EQ(qport_.requests.back().title, "בחר קובץ מס\"ב להצגה");
    EXPECT_EQ(qport_.requests.back().start_folder, drive_ / "ZIVRON/Shidur");
    EXPECT_EQ(qport_.requests.front().title, "בחר חוברת אקסל ליבוא");
    EXPECT_EQ(qport_.requests.front().filter_name + " (" + qport_.requests.front().patterns + ")",
              "חוברות Excel (*.xls *.xlsx)");
    auto* view = window.findChild<QWidget*>("MasavView");
    ASSERT_NE(view, nullptr);
    auto* records = view->findChild<QTableWidget*>("records");
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records->rowCount(), 4);
    EXPECT_EQ(records->item(0, 0)->text(), QString("ישראל ישראלי"));
    EXPECT_EQ(view->findChild<QLabel*>("totals")->text(),
              QString("מספר תנועות: 4   סך הכל: 2,584.42"));
    EXPECT_EQ(records->item(0, 6)->text(), QString("1,234.50"));
    EXPECT_EQ(records->item(0, 4)->text(),  // the codes' names beside them
              QString("בנק הפועלים בע\"מ / סניף 600 - 600 מרכז תפעול עסקי (בית דגן)"));
    EXPECT_NE(view->findChild<QLabel*>()->text().indexOf("07/12/2026"), -1);
    EXPECT_EQ(view->layoutDirection(), Qt::RightToLeft);
}

TEST_F(WindowsTest, SelectorsInDecemberAndTheClockAtTwo) {
    Session session(qport_);
    session.Prepare();
    qt::MainWindow window(qport_, session);
    QComboBox* month = nullptr;
    for (QComboBox* c : window.findChildren<QComboBox*>()) {
        if (c->currentText() == "12") {
            month = c;
        }
    }
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->count(), 1);  // December offers December alone
    qport_.clock = {2026, 12, 8, 2, 0, 0, 0};
    QTest::qWait(1200);
    EXPECT_TRUE(qport_.ended);
}

// The current-rules box starts clear and is remembered between runs of the program.
TEST_F(WindowsTest, TheRuleSetChoiceIsRemembered) {
    for (int run = 0; run < 2; ++run) {
        Session session(qport_);
        qt::MainWindow window(qport_, session);
        auto* credit = window.findChild<QCheckBox*>("CreditCurrentRules");
        auto* collection = window.findChild<QCheckBox*>("CollectionCurrentRules");
        ASSERT_NE(credit, nullptr);
        ASSERT_NE(collection, nullptr);
        EXPECT_EQ(credit->isChecked(), run == 1);
        EXPECT_FALSE(collection->isChecked());
        EXPECT_EQ(session.panel(Panel::Credit).import.current_rules, run == 1);
        credit->setChecked(true);
    }
    QSettings().remove("currentRules");
}

// Qt's own buttons speak Hebrew, and the main window fits a laptop's 1280 x 720.
TEST_F(WindowsTest, HebrewButtonsAndALaptopScreen) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("ביטול"));
    // A button is wider than its text by room on both sides, a long caption too.
    QPushButton build("צור קובץ זיכויים");
    EXPECT_GE(build.sizeHint().width(), build.fontMetrics().horizontalAdvance(build.text()) + 24);
    Session session(qport_);
    qt::MainWindow window(qport_, session);
    // On a laptop's screen (the offscreen screens of laptop_screens.json) the window and its
    // title bar fit what the screen has free, and every control shows without scrolling.
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    for (QScreen* screen : QGuiApplication::screens()) {
        window.setScreen(screen);
        window.FitToScreen();
        window.show();
        QApplication::processEvents();
        const QRect free = screen->availableGeometry();
        EXPECT_TRUE(free.contains(window.frameGeometry())) << screen->name().toStdString();
        EXPECT_LE(window.height() + qt::MainWindow::kTitleBarAllowance, free.height());
        auto* scroll = window.findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        EXPECT_LE(scroll->widget()->minimumSizeHint().height(), scroll->viewport()->height())
            << screen->name().toStdString();
        EXPECT_LE(scroll->widget()->minimumSizeHint().width(), scroll->viewport()->width());
        window.hide();
    }
    qt::LoginWindow login(qport_, session);
    EXPECT_GE(login.minimumWidth(), login.fontMetrics().horizontalAdvance(login.windowTitle()));
}

TEST_F(WindowsTest, ScreenshotOfTheMainWindowAfterTheSampleImport) {
    const fs::path png = dir_ / "main.png";
    auto r = test::RunProcess(ZIVRON_GUI, {"--screenshot", png.string()},
                              {{"QT_QPA_PLATFORM", "offscreen"},
                               {"ZIVRON_DRIVE_C", drive_.string()},
                               {"ZIVRON_SERVICE_URL", "http://127.0.0.1:1"}});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(png).value().substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Demo/sample.xlsx"));

    // Given a folder: the main window, the marked rows, the review and the Masav view.
    const fs::path shots = dir_ / "shots";
    fs::create_directories(shots);
    r = test::RunProcess(
        ZIVRON_GUI, {"--screenshot", shots.string()},
        {{"ZIVRON_DRIVE_C", drive_.string()}, {"ZIVRON_SERVICE_URL", "http://127.0.0.1:1"}});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const char* name :
         {"main-window.png", "marked-rows.png", "review.png", "masav-view.png"}) {
        Result<std::string> picture = ReadWholeFile(shots / name);
        ASSERT_TRUE(picture.ok()) << name;
        EXPECT_EQ(picture.value().substr(0, 8), "\x89PNG\r\n\x1a\n") << name;
    }
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));
}

}  // namespace
}  // namespace zivron

int main(int argc, char** argv) {
    // The windows are real, but drawn offscreen: no display is needed, here or in CI.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Remembered choices go to a configuration folder of the test's own.
    const std::string config = (std::filesystem::temp_directory_path() /
                                ("zivron-qt-config-" + std::to_string(::getpid())))
                                   .string();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("zivron");
    QApplication::setApplicationName("zivron");
    zivron::qt::LoadHebrewTranslations(app);
    zivron::qt::GiveButtonsRoom(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
