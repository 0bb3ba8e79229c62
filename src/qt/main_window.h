#pragma once
// The main window: a view of the session. Its widgets are named for what they show; a click
// copies what the operator typed into the session, calls one operation, shows its outcome or its
// error, and draws the session again.

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/session.h"
#include "qt/qt_port.h"

namespace zivron::qt {

class MainWindow : public QWidget {
  public:
    // Room kept for the window manager's title bar when the window is fitted to its screen.
    static constexpr int kTitleBarAllowance = 32;
    MainWindow(QtPort& port, Session& session);

    Session& session() { return session_; }
    QPushButton* Button(const QString& name) const;
    QLineEdit* Field(const QString& name) const;

    // Copies the widgets into the session, runs `operation`, draws the session again.
    void Run(const std::function<void()>& operation);
    void Draw();

    // The operations behind the buttons, with their messages.
    void ImportWorkbook(Panel panel);
    void BuildFile(Panel panel);
    // A Masav file chosen and shown in a window of its own.
    void ShowMasavFile();
    // At most 1280 x 720, within what the window's screen has free, its title bar included.
    void FitToScreen();

  protected:
    bool event(QEvent* e) override;
    // Shown, the frame is known: the window is fitted again with it.
    void showEvent(QShowEvent* e) override;

  private:
    // One panel's widgets, whichever panel it is.
    struct PanelWidgets {
        QLineEdit* name = nullptr;
        QLineEdit* code = nullptr;
        QLineEdit* software_code = nullptr;
        QLineEdit* typing_errors = nullptr;
        QLineEdit* invalid_accounts = nullptr;
        QLineEdit* invalid_ids = nullptr;
        QLineEdit* transactions = nullptr;
        QLineEdit* total = nullptr;
        QCheckBox* fix_typing = nullptr;
        QCheckBox* mark_accounts = nullptr;
        QCheckBox* mark_ids = nullptr;
        QCheckBox* current_rules = nullptr;
        QCheckBox* warn_new_payees = nullptr;
        QCheckBox* detail_workbook = nullptr;
        QCheckBox* summary_workbook = nullptr;
        QComboBox* day = nullptr;
        QComboBox* month = nullptr;
        QComboBox* year = nullptr;
    };

    QWidget* TopBar();
    QWidget* CreditPanel();
    QWidget* CollectionPanel();
    QWidget* InstitutionPanel();
    QWidget* PanelFields(Panel panel, const QString& code_caption);
    QLayout* PanelButtons(Panel panel);
    QWidget* ImportOptionsFrame(Panel panel, const QString& ids_caption);
    QWidget* SummaryFrame(Panel panel);
    QWidget* ExcelArchiveFrame(Panel panel);
    QWidget* ValueDateFrame(Panel panel, const QString& caption);
    QPushButton* MakeButton(const QString& name, const QString& caption,
                            const std::function<void()>& operation, const QString& tip = {});
    QLineEdit* MakeField(const QString& name, int max_length = 0, bool read_only = false);
    PanelWidgets& Widgets(Panel panel) { return panel == Panel::Credit ? credit_ : collection_; }
    static QString Prefix(Panel panel) { return panel == Panel::Credit ? "Credit" : "Collection"; }

    void ConvertFile(bool payroll);
    // Says what was written where, and opens its folder if the operator wants it.
    void OfferFolder(const std::string& text, const std::filesystem::path& file, const char* title);
    void ChooseInstitution(int row);
    void SaveInstitution();
    void DeleteInstitution();
    // The error's message, unless the operator cancelled.
    void Tell(const Error& error, const char* title);
    void Pull();
    void DrawPanel(Panel panel);
    void DrawLabels();

    QtPort& port_;
    Session& session_;
    PanelWidgets credit_;
    PanelWidgets collection_;
    QCheckBox* leumi_ = nullptr;
    QLineEdit* institution_name_ = nullptr;
    QListWidget* institutions_ = nullptr;
    QPushButton* save_institution_ = nullptr;
    QPushButton* delete_institution_ = nullptr;
    QLabel* account_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* clock_ = nullptr;
    QLabel* service_state_ = nullptr;   // "לא מקוון" while the service is away
    QProgressBar* progress_ = nullptr;  // rows done of rows found, while an import runs
    ImportProgressReport import_progress_;
    QElapsedTimer redrawn_;
    QTimer timer_;
    bool drawing_ = false;
};

}  // namespace zivron::qt
