#include "qt/main_window.h"

#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "app/file_dialogs.h"
#include "app/texts.h"
#include "import/mark_colours.h"
#include "qt/masav_view.h"
#include "qt/review_dialog.h"
#include "text/numeric.h"

namespace zivron::qt {
namespace {

// The institution panel's two modes and their colours.
constexpr sheet::Rgb kAddModeColour{255, 128, 128};
constexpr sheet::Rgb kUpdateModeColour{192, 255, 255};

using namespace texts;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QString Css(sheet::Rgb c) {
    return QString("background-color: rgb(%1, %2, %3);").arg(c.red).arg(c.green).arg(c.blue);
}

QGroupBox* Frame(const QString& title, QLayout* layout) {
    auto* box = new QGroupBox(title);
    // Close-set, so the whole window fits a laptop's 1280 x 720.
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(3);
    box->setLayout(layout);
    return box;
}

QLabel* Legend(const QString& caption, sheet::Rgb colour) {
    auto* label = new QLabel(caption);
    label->setAutoFillBackground(true);
    label->setStyleSheet(Css(colour));
    return label;
}

QCheckBox* Check(const QString& name, const QString& caption, const QString& tip = {},
                 const sheet::Rgb* colour = nullptr) {
    auto* c = new QCheckBox(caption);
    c->setObjectName(name);
    c->setToolTip(tip);
    if (colour != nullptr) {
        c->setAutoFillBackground(true);
        c->setStyleSheet(Css(*colour));
    }
    return c;
}

QComboBox* Combo(const QString& name) {
    auto* c = new QComboBox;
    c->setObjectName(name);
    return c;
}

void SetText(QLineEdit* field, const std::string& text) {
    if (field->text().toStdString() != text) {
        field->setText(Q(text));
    }
}

void DrawChoice(QComboBox* widget, const Choice& choice) {
    QStringList items;
    for (const std::string& s : choice.items) {
        items << Q(s);
    }
    QStringList shown;
    for (int i = 0; i < widget->count(); ++i) {
        shown << widget->itemText(i);
    }
    if (shown != items) {
        widget->clear();
        widget->addItems(items);
    }
    widget->setCurrentIndex(choice.selected);
}

}  // namespace

MainWindow::MainWindow(QtPort& port, Session& session) : port_(port), session_(session) {
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(kProgramTitle);
    auto* panels = new QHBoxLayout;
    panels->addWidget(CreditPanel());
    panels->addWidget(CollectionPanel());
    panels->addWidget(InstitutionPanel());
    panels->setSpacing(6);
    // Below 1280 x 720 the panels scroll rather than run off a laptop's screen.
    auto* content = new QWidget;
    auto* inner = new QVBoxLayout(content);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->addWidget(TopBar());
    inner->addLayout(panels);
    progress_ = new QProgressBar;
    progress_->setObjectName("ImportProgress");
    progress_->setVisible(false);
    inner->addWidget(progress_);
    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(scroll);
    setMinimumSize(640, 400);
    FitToScreen();

    port_.SetWindow(this);
    // A click while an import yields starts from what the window shows, so it is drawn first;
    // at most about 20 times a second, so the rows are not held up by their own drawing.
    port_.on_yield = [this] {
        if (!redrawn_.isValid() || redrawn_.elapsed() >= 50) {
            Draw();
            redrawn_.restart();
        }
    };
    port_.on_show_state = [this] { Draw(); };
    connect(&timer_, &QTimer::timeout, this, [this] {
        session_.Tick();
        clock_->setText(Q(session_.clock_text()));
        service_state_->setText(Q(session_.link().State()));
    });
    timer_.start(1000);
    Draw();
}

void MainWindow::FitToScreen() {
    const QRect free = screen()->availableGeometry();
    // The frame the window manager adds is known once the window is shown; before that, room
    // for a title bar is kept.
    const int frame_width = std::max(frameGeometry().width() - width(), 0);
    const int frame_height = std::max(frameGeometry().height() - height(), kTitleBarAllowance);
    resize(std::min(1280, free.width() - frame_width), std::min(720, free.height() - frame_height));
    move(free.topLeft());
}

QPushButton* MainWindow::Button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

QLineEdit* MainWindow::Field(const QString& name) const {
    return findChild<QLineEdit*>(name);
}

QPushButton* MainWindow::MakeButton(const QString& name, const QString& caption,
                                    const std::function<void()>& operation, const QString& tip) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, [this, operation] { Run(operation); });
    return b;
}

QLineEdit* MainWindow::MakeField(const QString& name, int max_length, bool read_only) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    if (max_length > 0) {
        e->setMaxLength(max_length);
        e->setToolTip(QString(kDigitsTip).arg(max_length));
    }
    e->setReadOnly(read_only);
    return e;
}

QWidget* MainWindow::TopBar() {
    auto* bar = new QHBoxLayout;
    bar->addWidget(MakeButton("ConvertMasav", kConvertMasavButton, [this] { ConvertFile(false); }));
    bar->addWidget(new QLabel(kAccountCaption));
    account_ = new QLabel;
    account_->setObjectName("Account");
    bar->addWidget(account_);
    elapsed_ = new QLabel;
    elapsed_->setObjectName("ImportTime");
    bar->addWidget(elapsed_);
    service_state_ = new QLabel;
    service_state_->setObjectName("ServiceState");
    service_state_->setStyleSheet("color: #b00000; font-weight: bold;");
    bar->addWidget(service_state_);
    bar->addStretch();
    clock_ = new QLabel;
    clock_->setObjectName("Clock");
    bar->addWidget(clock_);
    bar->addWidget(
        MakeButton("ConvertPayroll", kConvertPayrollButton, [this] { ConvertFile(true); }));
    bar->addWidget(MakeButton("ShowMasav", kShowMasavButton, [this] { ShowMasavFile(); }));
    auto* w = new QWidget;
    w->setLayout(bar);
    return w;
}

// The institution's name and codes as the panel builds with them.
QWidget* MainWindow::PanelFields(Panel panel, const QString& code_caption) {
    PanelWidgets& w = Widgets(panel);
    const QString prefix = Prefix(panel);
    auto* fields = new QFormLayout;
    fields->addRow(kInstitutionNameCaption, w.name = MakeField(prefix + "InstitutionName"));
    fields->addRow(code_caption, w.code = MakeField(prefix + "Code", 8));
    fields->addRow(kSoftwareCodeCaption, w.software_code = MakeField(prefix + "SoftwareCode", 5));
    auto* box = new QWidget;
    box->setLayout(fields);
    fields->setContentsMargins(0, 0, 0, 0);
    return box;
}

// The import options of a panel; each box has the colour its pass marks with.
QWidget* MainWindow::ImportOptionsFrame(Panel panel, const QString& ids_caption) {
    PanelWidgets& w = Widgets(panel);
    const QString prefix = Prefix(panel);
    auto* options = new QVBoxLayout;
    options->addWidget(
        w.fix_typing = Check(prefix + "FixTyping", kFixTyping, kFixTypingTip, &kTypingFixColour));
    options->addWidget(w.mark_accounts = Check(prefix + "MarkAccounts", kMarkAccounts,
                                               kMarkAccountsTip, &kInvalidAccountColour));
    options->addWidget(w.mark_ids =
                           Check(prefix + "MarkIds", ids_caption, kMarkIdsTip, &kInvalidIdColour));
    // The choice is the operator's, kept between runs in the user's configuration.
    w.current_rules = Check(prefix + "CurrentRules", kCurrentRules, kCurrentRulesTip);
    const QString key = panel == Panel::Credit ? "currentRules/credit" : "currentRules/collection";
    session_.panel(panel).import.current_rules = QSettings().value(key, 0).toInt() == 1;
    connect(w.current_rules, &QCheckBox::toggled, this,
            [key](bool on) { QSettings().setValue(key, on ? 1 : 0); });
    options->addWidget(w.current_rules);
    options->addWidget(w.warn_new_payees =
                           Check(prefix + "WarnNewPayees", kWarnNewPayees, kWarnNewPayeesTip));
    return Frame(kImportOptions, options);
}

// The import summary: typing errors, invalid accounts, invalid identity numbers, count, total.
QWidget* MainWindow::SummaryFrame(Panel panel) {
    PanelWidgets& w = Widgets(panel);
    const QString prefix = Prefix(panel);
    auto* summary = new QFormLayout;
    summary->addRow(Legend(kTypingErrors, kTypingFixColour),
                    w.typing_errors = MakeField(prefix + "TypingErrors", 0, true));
    summary->addRow(Legend(kInvalidAccounts, kInvalidAccountColour),
                    w.invalid_accounts = MakeField(prefix + "InvalidAccounts", 0, true));
    summary->addRow(Legend(kInvalidIds, kInvalidIdColour),
                    w.invalid_ids = MakeField(prefix + "InvalidIds", 0, true));
    summary->addRow(kTransactions, w.transactions = MakeField(prefix + "Transactions", 0, true));
    summary->addRow(kTransactionsTotal, w.total = MakeField(prefix + "Total", 0, true));
    return Frame(kImportSummary, summary);
}

QWidget* MainWindow::ExcelArchiveFrame(Panel panel) {
    PanelWidgets& w = Widgets(panel);
    const QString prefix = Prefix(panel);
    auto* archive = new QVBoxLayout;
    archive->addWidget(MakeButton(prefix + "ArchiveFolder", kArchiveButton,
                                  [this, panel] { session_.OpenArchiveFolder(panel); }));
    archive->addWidget(w.detail_workbook = Check(prefix + "DetailWorkbook", kDetailWorkbook));
    archive->addWidget(w.summary_workbook = Check(prefix + "SummaryWorkbook", kSummaryWorkbook));
    return Frame(kExcelArchive, archive);
}

// A panel's import, base list and archive buttons.
QLayout* MainWindow::PanelButtons(Panel panel) {
    const QString prefix = Prefix(panel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(MakeButton(
        prefix + "Import", kImportButton, [this, panel] { ImportWorkbook(panel); }, kImportTip));
    buttons->addWidget(MakeButton(
        prefix + "BaseList", kBaseListButton,
        [this, panel] {
            Result<BaseListOutcome> list = session_.OpenBaseList(panel);
            if (!list) {
                Tell(list.error(), kBaseListTitle);
            } else if (list.value().written) {
                OfferFolder(Filled(kBaseListMade, {list.value().workbook.string()}),
                            list.value().workbook, kBaseListTitle);
            }
        },
        kBaseListTip));
    buttons->addWidget(MakeButton(prefix + "Archive", kArchiveButton,
                                  [this, panel] { session_.OpenArchiveFolder(panel); }));
    return buttons;
}

QWidget* MainWindow::CreditPanel() {
    const Panel panel = Panel::Credit;
    QLayout* buttons = PanelButtons(panel);

    auto* v = new QVBoxLayout;
    v->addWidget(PanelFields(panel, kCreditCodeCaption));
    v->addLayout(buttons);
    v->addWidget(ImportOptionsFrame(panel, kMarkIdsCredit));
    v->addWidget(SummaryFrame(panel));
    v->addWidget(ExcelArchiveFrame(panel));
    v->addWidget(MakeButton("CreditBuild", kBuildCredit, [this] { BuildFile(Panel::Credit); }));
    v->addStretch();
    return Frame(kCreditPanel, v);
}

QWidget* MainWindow::CollectionPanel() {
    const Panel panel = Panel::Collection;
    QLayout* buttons = PanelButtons(panel);

    auto* prep = new QVBoxLayout;
    prep->addLayout(buttons);
    prep->addWidget(ImportOptionsFrame(panel, kMarkIdsCollection));
    prep->addWidget(SummaryFrame(panel));
    prep->addWidget(ExcelArchiveFrame(panel));
    prep->addWidget(
        MakeButton("CollectionBuild", kBuildCollection, [this] { BuildFile(Panel::Collection); }));

    auto* v = new QVBoxLayout;
    v->addWidget(PanelFields(panel, kCollectionCodeCaption));
    v->addWidget(Frame(kCollectionPreparation, prep));
    v->addStretch();
    return Frame(kCollectionPanel, v);
}

// Day, month and year on one line: the panel fits a laptop's screen.
QWidget* MainWindow::ValueDateFrame(Panel panel, const QString& caption) {
    PanelWidgets& w = Widgets(panel);
    const QString prefix = Prefix(panel);
    auto* g = new QGridLayout;
    g->addWidget(new QLabel(caption), 0, 0, 1, 6);
    w.day = Combo(prefix + "ValueDay");
    w.month = Combo(prefix + "ValueMonth");
    w.year = Combo(prefix + "ValueYear");
    connect(w.month, QOverload<int>::of(&QComboBox::activated), this,
            [this, panel](int) { Run([this, panel] { session_.ValueDateMonthChosen(panel); }); });
    connect(w.year, QOverload<int>::of(&QComboBox::activated), this,
            [this, panel](int) { Run([this, panel] { session_.ValueDateYearChosen(panel); }); });
    g->addWidget(new QLabel(kDay), 1, 0);
    g->addWidget(w.day, 1, 1);
    g->addWidget(new QLabel(kMonth), 1, 2);
    g->addWidget(w.month, 1, 3);
    g->addWidget(new QLabel(kYear), 1, 4);
    g->addWidget(w.year, 1, 5);
    if (panel == Panel::Credit) {
        g->addWidget(leumi_ = Check("Leumi", kLeumi), 2, 0, 1, 6);
    }
    return Frame(kValueDate, g);
}

QWidget* MainWindow::InstitutionPanel() {
    auto* v = new QVBoxLayout;
    institutions_ = new QListWidget;
    institutions_->setObjectName("Institutions");
    connect(institutions_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!drawing_ && row >= 0) {
            Run([this, row] { ChooseInstitution(row); });
        }
    });
    v->addWidget(institutions_);
    auto* name = new QFormLayout;
    name->addRow(kInstitutionNameCaption, institution_name_ = MakeField("InstitutionName"));
    v->addLayout(name);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        MakeButton("NewInstitution", kNewInstitution, [this] { session_.StartNewInstitution(); }));
    save_institution_ = MakeButton("SaveInstitution", "", [this] { SaveInstitution(); });
    delete_institution_ =
        MakeButton("DeleteInstitution", kDeleteInstitution, [this] { DeleteInstitution(); });
    buttons->addWidget(save_institution_);
    buttons->addWidget(delete_institution_);
    v->addLayout(buttons);
    v->addWidget(ValueDateFrame(Panel::Credit, kCredits));
    v->addWidget(ValueDateFrame(Panel::Collection, kCollections));
    v->addWidget(MakeButton("Exit", kExitButton, [this] { session_.Exit(); }));
    return Frame(kInstitutionsPanel, v);
}

void MainWindow::Tell(const Error& error, const char* title) {
    if (error.code != ErrorCode::Cancelled) {
        port_.MessageBox(error.message, title, Buttons::Ok);
    }
}

void MainWindow::ImportWorkbook(Panel panel) {
    if (session_.importing()) {
        port_.MessageBox(kImportRunning, kImportTitle, Buttons::Ok);
        return;
    }
    const std::optional<std::filesystem::path> workbook =
        AskForFile(port_, FilePurpose::ImportWorkbook);
    if (!workbook) {
        return;  // the operator changed their mind: nothing to say
    }
    import_progress_ = {};
    Result<ImportSummary> done = session_.Import(
        panel, *workbook, [this](const ImportProgressReport& r) { import_progress_ = r; });
    if (!done) {
        Tell(done.error(), kImportTitle);
        return;
    }
    Draw();  // the summary and the table are drawn before the message is read
    port_.MessageBox(kImportDone, kImportTitle, Buttons::Ok);
    // The rows it marked, with their reasons, in a window of their own beside the workbook.
    std::vector<ImportMark> shown = session_.table()->marks;
    shown.insert(shown.end(), session_.table()->warnings.begin(), session_.table()->warnings.end());
    if (!shown.empty()) {
        NewMarksView(this, shown);
    }
}

void MainWindow::BuildFile(Panel panel) {
    Result<FileReview> review = session_.Review(panel);
    if (!review) {
        Tell(review.error(), kBuildTitle);
        return;
    }
    std::unique_ptr<QDialog> dialog(NewReviewDialog(this, review.value()));
    if (!port_.Confirm(*dialog)) {
        return;  // nothing written, nothing said
    }
    const auto* checked = dialog->findChild<QCheckBox*>("ChangesChecked");
    review.value().changes_accepted = checked != nullptr && checked->isChecked();
    Result<BuildOutcome> built = session_.Build(panel, review.value());
    if (!built) {
        Tell(built.error(), kBuildTitle);
        return;
    }
    OfferFolder(Filled(kFileMade, {built.value().masav_file.string()}), built.value().masav_file,
                kBuildTitle);
}

void MainWindow::OfferFolder(const std::string& text, const std::filesystem::path& file,
                             const char* title) {
    if (port_.MessageBox(text, title, Buttons::YesNo) == Answer::Yes) {
        port_.ShellOpen(file.parent_path());
    }
}

void MainWindow::ConvertFile(bool payroll) {
    const std::optional<std::filesystem::path> file =
        AskForFile(port_, payroll ? FilePurpose::ConvertPayroll : FilePurpose::ConvertMasav);
    if (!file) {
        return;
    }
    Result<ConversionOutcome> done =
        payroll ? session_.ConvertPayrollExport(*file) : session_.ConvertMasavNames(*file);
    if (!done) {
        Tell(done.error(), kConversionTitle);
        return;
    }
    if (done.value().Truncated()) {
        port_.MessageBox(Filled(kConversionCut, {std::to_string(done.value().records_found),
                                                 std::to_string(done.value().records_written)}),
                         kConversionTitle, Buttons::Ok);
    }
    OfferFolder(Filled(kWorkbookMade, {done.value().workbook.string()}), done.value().workbook,
                kConversionTitle);
}

void MainWindow::ShowMasavFile() {
    const std::optional<std::filesystem::path> file = AskForFile(port_, FilePurpose::ShowMasav);
    if (!file) {
        return;
    }
    Result<MasavView> view = session_.ReadMasavFileToShow(*file);
    if (!view) {
        Tell(view.error(), kProgramTitle);
        return;
    }
    NewMasavView(this, view.value());
}

void MainWindow::ChooseInstitution(int row) {
    if (Status s = session_.ChooseListedInstitution(row); !s) {
        Tell(s.error(), kInstitutionsTitle);
    }
}

void MainWindow::SaveInstitution() {
    const bool updating = session_.editor().updating;
    if (Status s = session_.SaveInstitution(); !s) {
        Tell(s.error(), kInstitutionsTitle);
        return;
    }
    port_.MessageBox(updating ? kInstitutionUpdated : kInstitutionAdded, kInstitutionsTitle,
                     Buttons::Ok);
}

void MainWindow::DeleteInstitution() {
    if (Status s = session_.DeleteChosenInstitution(); !s) {
        Tell(s.error(), kInstitutionsTitle);
        return;
    }
    port_.MessageBox(kInstitutionDeleted, kInstitutionsTitle, Buttons::Ok);
}

void MainWindow::Pull() {
    for (Panel panel : {Panel::Credit, Panel::Collection}) {
        const PanelWidgets& w = Widgets(panel);
        PanelState& state = session_.panel(panel);
        state.institution_name = w.name->text().toStdString();
        state.codes = {w.code->text().toStdString(), w.software_code->text().toStdString()};
        state.import = {w.fix_typing->isChecked(), w.mark_accounts->isChecked(),
                        w.mark_ids->isChecked(), w.current_rules->isChecked()};
        state.archive = {w.detail_workbook->isChecked(), w.summary_workbook->isChecked()};
        state.warn_new_payees = w.warn_new_payees->isChecked();
        state.value_date.day.selected = w.day->currentIndex();
        state.value_date.month.selected = w.month->currentIndex();
        state.value_date.year.selected = w.year->currentIndex();
    }
    session_.leumi = leumi_->isChecked();
    session_.editor().name = institution_name_->text().toStdString();
}

void MainWindow::Run(const std::function<void()>& operation) {
    Pull();
    operation();
    Draw();
}

void MainWindow::DrawPanel(Panel panel) {
    const PanelWidgets& w = Widgets(panel);
    const PanelState& state = session_.panel(panel);
    SetText(w.name, state.institution_name);
    SetText(w.code, state.codes.code);
    SetText(w.software_code, state.codes.software_code);
    const std::optional<ImportSummary>& s = state.summary;
    auto count = [&s](int ImportSummary::*field) {
        return s ? std::to_string((*s).*field) : std::string();
    };
    SetText(w.typing_errors, count(&ImportSummary::typing_errors));
    SetText(w.invalid_accounts, count(&ImportSummary::invalid_accounts));
    SetText(w.invalid_ids, count(&ImportSummary::invalid_ids));
    SetText(w.transactions, count(&ImportSummary::transactions));
    SetText(w.total, s ? s->total : "");
    w.fix_typing->setChecked(state.import.fix_typing);
    w.mark_accounts->setChecked(state.import.mark_accounts);
    w.mark_ids->setChecked(state.import.mark_ids);
    w.current_rules->setChecked(state.import.current_rules);
    w.detail_workbook->setChecked(state.archive.detail_workbook);
    w.summary_workbook->setChecked(state.archive.summary_workbook);
    w.warn_new_payees->setChecked(state.warn_new_payees);
    DrawChoice(w.day, state.value_date.day);
    DrawChoice(w.month, state.value_date.month);
    DrawChoice(w.year, state.value_date.year);
}

void MainWindow::DrawLabels() {
    const std::optional<Account>& account = session_.account();
    account_->setText(account ? Q(account->name) : QString(kNoAccountYet));
    // The import's time (from the workbook's opening, not the dialog's), and while it runs the
    // row it has reached.
    const QString elapsed =
        import_progress_.sheet_row > 0
            ? QString(kImportTime).arg(Q(NumberText(import_progress_.elapsed_seconds)))
            : "";
    elapsed_->setText(session_.importing()
                          ? elapsed + QString(kImportRowReached).arg(import_progress_.sheet_row)
                          : elapsed);
    clock_->setText(Q(session_.clock_text()));
    service_state_->setText(Q(session_.link().State()));
    const int rows = std::max(1, import_progress_.rows_found);
    progress_->setVisible(session_.importing());
    progress_->setRange(0, rows);
    progress_->setValue(std::clamp(import_progress_.sheet_row - 1, 0, rows));
    // The payee the typing fix has reached, where the title used to carry it.
    progress_->setFormat("%v / %m  " + Q(import_progress_.payee));
    // The program and the institution the panels hold: what the operator works for now.
    const std::string& institution = session_.panel(Panel::Credit).institution_name;
    setWindowTitle(institution.empty() ? QString(kProgramTitle)
                                       : QString(kProgramTitle) + " - " + Q(institution));
}

void MainWindow::Draw() {
    drawing_ = true;
    DrawPanel(Panel::Credit);
    DrawPanel(Panel::Collection);
    leumi_->setChecked(session_.leumi);
    const InstitutionEditor& editor = session_.editor();
    SetText(institution_name_, editor.name);
    QStringList names;
    for (const ListEntry& e : session_.institutions()) {
        names << Q(e.name);
    }
    QStringList listed;
    for (int i = 0; i < institutions_->count(); ++i) {
        listed << institutions_->item(i)->text();
    }
    if (names != listed) {
        institutions_->clear();
        institutions_->addItems(names);
    }
    institutions_->setCurrentRow(session_.highlighted_institution());
    save_institution_->setText(editor.updating ? kUpdateInstitution : kAddInstitution);
    save_institution_->setStyleSheet(Css(editor.updating ? kUpdateModeColour : kAddModeColour));
    delete_institution_->setEnabled(editor.can_delete);
    DrawLabels();
    drawing_ = false;
}

void MainWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous()) {  // shown by the program, not restored by the operator
        FitToScreen();
    }
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        Run([this] { session_.ListInstitutions(); });
    }
    return QWidget::event(e);
}

}  // namespace zivron::qt
