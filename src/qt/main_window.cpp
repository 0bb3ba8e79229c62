#include "qt/main_window.h"

#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/spreadsheet/cell.h"
#include "qt/masav_view.h"

#include <QFrame>
#include <QScrollArea>
#include <QSettings>
#include <algorithm>

namespace zivron::qt {
namespace {

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

}  // namespace

MainWindow::MainWindow(QtPort& port, std::unique_ptr<HamaraForm> form)
    : port_(port), form_(std::move(form)) {
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle("zivron");
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
    resize(1280, 720);

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
        form_->Timer1_Timer();
        clock_->setText(Q(form_->Label7.caption));
        service_state_->setText(Q(form_->link().State()));
    });
    timer_.start(1000);
    Draw();
}

QPushButton* MainWindow::Button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

QPushButton* MainWindow::MakeButton(const QString& name, const QString& caption,
                                    const std::function<void()>& handler, const QString& tip) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, [this, handler] { Press(handler); });
    return b;
}

QLineEdit* MainWindow::MakeBox(int index, int max_length, const QString& tip) {
    auto* e = new QLineEdit;
    e->setObjectName(QString("TextGove%1").arg(index));
    if (max_length > 0) {
        e->setMaxLength(max_length);
    }
    e->setToolTip(tip);
    boxes_[static_cast<std::size_t>(index)] = e;
    return e;
}

QCheckBox* MainWindow::MakeCheck(CheckBox& state, const QString& caption, const QString& tip,
                                 const sheet::Rgb* colour) {
    auto* c = new QCheckBox(caption);
    c->setToolTip(tip);
    if (colour != nullptr) {
        c->setAutoFillBackground(true);
        c->setStyleSheet(Css(*colour));
    }
    checks_.emplace_back(c, &state);
    return c;
}

QComboBox* MainWindow::MakeCombo(ComboBox& state) {
    auto* c = new QComboBox;
    combos_.emplace_back(c, &state);
    return c;
}

QWidget* MainWindow::TopBar() {
    auto* bar = new QHBoxLayout;
    HamaraForm& f = *form_;
    bar->addWidget(MakeButton("Command4", "צור אקסל  ממסב", [&f] { f.Command4_Click(); }));
    bar->addWidget(new QLabel("המנוי"));
    account_ = new QLabel;
    account_->setObjectName("Label4");
    bar->addWidget(account_);
    elapsed_ = new QLabel;
    elapsed_->setObjectName("Label12");
    bar->addWidget(elapsed_);
    service_state_ = new QLabel;
    service_state_->setObjectName("ServiceState");
    service_state_->setStyleSheet("color: #b00000; font-weight: bold;");
    bar->addWidget(service_state_);
    bar->addStretch();
    clock_ = new QLabel;
    clock_->setObjectName("Label7");
    bar->addWidget(clock_);
    bar->addWidget(MakeButton("excellmichpal", "אקסל ממיכפל", [&f] { f.excellmichpal_Click(); }));
    bar->addWidget(MakeButton("ShowMasav", "הצג קובץ מסב", [this, &f] {
        f.ShownMasavFile.reset();
        f.ShowMasav_Click();
        if (f.ShownMasavFile) {
            NewMasavView(this, *f.ShownMasavFile);
        }
    }));
    auto* w = new QWidget;
    w->setLayout(bar);
    return w;
}

// The import options of a panel; each box has the colour its pass marks with.
QWidget* MainWindow::ImportOptions(CheckBox& fix, CheckBox& accounts, CheckBox& ids,
                                   CheckBox& current_rules, const QString& ids_caption) {
    auto* options = new QVBoxLayout;
    options->addWidget(MakeCheck(fix, "תיקון שגיאות הקלדה", "הסרת תווים אסורים בפרטי החשבון",
                                 &sheet::kTypingFixColour));
    options->addWidget(MakeCheck(accounts, "סמן חשבונות לא תקינים לפי מסב",
                                 "סימון חשבונות בנק לא תקינים לפי  נוסחת מסב",
                                 &sheet::kInvalidAccountColour));
    options->addWidget(
        MakeCheck(ids, ids_caption, "סמן ת זהות לא תקינות", &sheet::kInvalidIdColour));
    // The choice is the operator's, kept between runs in the user's configuration.
    QCheckBox* current =
        MakeCheck(current_rules, "כללי בדיקה עדכניים (מס\"ב 2023 ואילך)",
                  "בדיקת חשבונות לפי כללי מס\"ב של 2023 ואילך במקום הכללים הישנים");
    const QString key =
        &current_rules == &form_->Check12 ? "currentRules/credit" : "currentRules/collection";
    current->setObjectName(&current_rules == &form_->Check12 ? "Check12" : "Check13");
    current_rules.value = QSettings().value(key, 0).toInt() == 1 ? 1 : 0;
    connect(current, &QCheckBox::toggled, this,
            [key](bool on) { QSettings().setValue(key, on ? 1 : 0); });
    options->addWidget(current);
    return Frame("פעולות בזמן קריאת הקובץ", options);
}

// The import summary: typing errors, invalid accounts, invalid identity numbers, count, total.
QWidget* MainWindow::Summary(const std::array<int, 5>& boxes) {
    auto* summary = new QFormLayout;
    summary->addRow(Legend("שגיאות הקלדה", sheet::kTypingFixColour), MakeBox(boxes[0]));
    summary->addRow(Legend("חשבונות לא תקינים", sheet::kInvalidAccountColour), MakeBox(boxes[1]));
    summary->addRow(Legend("ת זהות לא תקינים", sheet::kInvalidIdColour), MakeBox(boxes[2]));
    summary->addRow("מספר תנועות", MakeBox(boxes[3]));
    summary->addRow("סיכום תנועות", MakeBox(boxes[4]));
    return Frame("סיכום קריאת קובץ", summary);
}

QWidget* MainWindow::ExcelArchive(int archive_button, CheckBox& detail, CheckBox& summary) {
    HamaraForm& f = *form_;
    auto* archive = new QVBoxLayout;
    archive->addWidget(MakeButton(QString("ComArhivZikuy%1").arg(archive_button), "ארכיב",
                                  [&f, archive_button] { f.ComArhivZikuy_Click(archive_button); }));
    archive->addWidget(MakeCheck(detail, "צור עותק בארכיון"));
    archive->addWidget(MakeCheck(summary, "צרף נתונים לקובץ ריכוז"));
    return Frame("ארכיון אקסל", archive);
}

QWidget* MainWindow::CreditPanel() {
    HamaraForm& f = *form_;
    auto* fields = new QFormLayout;
    fields->addRow("שם מוסד", MakeBox(7));
    fields->addRow("קוד מוסד (8 ספרות)", MakeBox(5, 8, "8 ספרות"));
    fields->addRow("קוד תוכנה (5 ספרות)", MakeBox(6, 5, "5 ספרות"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(MakeButton(
        "Command6", "יבא קובץ", [this] { Import([this] { form_->Command6_Click(); }); },
        "יבא נתונים מאקסל"));
    buttons->addWidget(MakeButton(
        "Command8", "צור בסיס", [&f] { f.Command8_Click(); }, "יבא קובץ להמרה"));
    buttons->addWidget(MakeButton("ComArhivZikuy0", "ארכיב", [&f] { f.ComArhivZikuy_Click(0); }));

    auto* v = new QVBoxLayout;
    v->addLayout(fields);
    v->addLayout(buttons);
    v->addWidget(ImportOptions(f.Check8, f.Check6, f.Check4, f.Check12, "סמן ת זהות לא תקינות"));
    v->addWidget(Summary({16, 15, 14, 9, 8}));
    v->addWidget(ExcelArchive(1, f.Check3, f.Check7));
    v->addWidget(MakeButton("Command5", "צור קובץ zivron לזיכויים", [&f] { f.Command5_Click(); }));
    v->addStretch();
    return Frame("זיכויים(העברות)", v);
}

QWidget* MainWindow::CollectionPanel() {
    HamaraForm& f = *form_;
    auto* fields = new QFormLayout;
    fields->addRow("שם מוסד", MakeBox(0));
    fields->addRow("קוד מסב (8 ספרות)", MakeBox(1, 8, "8 ספרות"));
    fields->addRow("קוד תוכנה (5 ספרות)", MakeBox(2, 5, "5 ספרות"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(MakeButton(
        "Command9", "יבא קובץ", [this] { Import([this] { form_->Command9_Click(); }); },
        "יבא נתונים מאקסל"));
    buttons->addWidget(MakeButton(
        "ZorBasisCollect", "צור בסיס", [&f] { f.ZorBasisCollect_Click(); }, "יבא קובץ להמרה"));
    buttons->addWidget(MakeButton("ComArhivZikuy2", "ארכיב", [&f] { f.ComArhivZikuy_Click(2); }));

    auto* prep = new QVBoxLayout;
    prep->addLayout(buttons);
    prep->addWidget(
        ImportOptions(f.Check1, f.Check2, f.Check5, f.Check13, "סמן תעודות זהות לא תקינות"));
    prep->addWidget(Summary({11, 12, 13, 3, 4}));
    prep->addWidget(ExcelArchive(3, f.Check10, f.Check9));
    prep->addWidget(MakeButton("Commadddddddddnd8", "צור קובץ zivron לגבייה",
                               [&f] { f.Commadddddddddnd8_Click(); }));

    auto* v = new QVBoxLayout;
    v->addLayout(fields);
    v->addWidget(Frame("הכנת מסב", prep));
    v->addStretch();
    return Frame("חיובים(הוראות קבע)", v);
}

QWidget* MainWindow::InstitutionPanel() {
    HamaraForm& f = *form_;
    auto* v = new QVBoxLayout;
    list_ = new QListWidget;
    list_->setObjectName("List1");
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (drawing_ || row < 0) {
            return;
        }
        Press([this, row] {
            form_->List1.selected = row;
            form_->List1_Click();
        });
    });
    v->addWidget(list_);
    auto* name = new QFormLayout;
    name->addRow("שם מוסד", MakeBox(10));
    v->addLayout(name);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(MakeButton("Command1", "חדש", [&f] { f.Command1_Click(); }));
    edit_ = MakeButton("ComEditMosad", "", [&f] { f.ComEditMosad_Click(); });
    remove_ = MakeButton("ComMehakMosad", "מחק מוסד מהרשימה", [&f] { f.ComMehakMosad_Click(); });
    buttons->addWidget(edit_);
    buttons->addWidget(remove_);
    v->addLayout(buttons);

    auto date_frame = [&](const QString& label, ComboBox& day, ComboBox& month, ComboBox& year,
                          CheckBox* leumi, const std::function<void()>& month_chosen,
                          const std::function<void()>& year_chosen) {
        // Day, month and year on one line: the panel fits a laptop's screen.
        auto* g = new QGridLayout;
        g->addWidget(new QLabel(label), 0, 0, 1, 6);
        QComboBox* m = MakeCombo(month);
        connect(m, QOverload<int>::of(&QComboBox::activated), this,
                [this, month_chosen](int) { Press(month_chosen); });
        QComboBox* y = MakeCombo(year);
        connect(y, QOverload<int>::of(&QComboBox::activated), this,
                [this, year_chosen](int) { Press(year_chosen); });
        g->addWidget(new QLabel("יום"), 1, 0);
        g->addWidget(MakeCombo(day), 1, 1);
        g->addWidget(new QLabel("חודש"), 1, 2);
        g->addWidget(m, 1, 3);
        g->addWidget(new QLabel("שנה"), 1, 4);
        g->addWidget(y, 1, 5);
        if (leumi != nullptr) {
            g->addWidget(MakeCheck(*leumi, "לאומי"), 2, 0, 1, 6);
        }
        return Frame("יום ערך", g);
    };
    v->addWidget(date_frame(
        "זיכויים", f.Combo3, f.Combo2, f.Combo1, &f.Check11, [&f] { f.Combo2_Click(); },
        [&f] { f.Combo1_Click(); }));
    v->addWidget(date_frame(
        "חיובים", f.Combo6, f.Combo5, f.Combo4, nullptr, [&f] { f.Combo5_Click(); },
        [&f] { f.Combo4_Click(); }));
    v->addWidget(MakeButton("Command285", "יציאה", [&f] { f.Command285_Click(); }));
    return Frame("רשימת מוסדות\\עסקים", v);
}

void MainWindow::Pull() {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        form_->TextGove[i].text = boxes_[i]->text().toStdString();
    }
    for (auto& [widget, state] : checks_) {
        state->value = widget->isChecked() ? 1 : 0;
    }
    for (auto& [widget, state] : combos_) {
        state->selected = widget->currentIndex();
    }
}

// An import, and after it the rows it marked with their reasons, in a window of their own.
void MainWindow::Import(const std::function<void()>& handler) {
    const int before = form_->ImportsCompleted;
    handler();
    if (form_->ImportsCompleted != before && !form_->LastMarks.empty()) {
        NewMarksView(this, form_->LastMarks);
    }
}

void MainWindow::Press(const std::function<void()>& handler) {
    Pull();
    handler();
    Draw();
}

void MainWindow::DrawLabels() {
    account_->setText(Q(form_->Label4.caption));
    // The elapsed time, and while an import runs the row it has reached.
    elapsed_->setText(form_->Importing()
                          ? Q(form_->Label12.caption) + QString("  (שורה %1)").arg(form_->ImportRow)
                          : Q(form_->Label12.caption));
    clock_->setText(Q(form_->Label7.caption));
    service_state_->setText(Q(form_->link().State()));
    progress_->setVisible(form_->Importing());
    progress_->setRange(0, std::max(1, form_->ImportRowsFound));
    progress_->setValue(std::clamp(form_->ImportRow - 1, 0, std::max(1, form_->ImportRowsFound)));
    setWindowTitle(form_->Caption.empty() ? QString("zivron") : "zivron - " + Q(form_->Caption));
}

void MainWindow::Draw() {
    drawing_ = true;
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        if (boxes_[i]->text().toStdString() != form_->TextGove[i].text) {
            boxes_[i]->setText(Q(form_->TextGove[i].text));
        }
    }
    for (auto& [widget, state] : checks_) {
        widget->setChecked(state->Ticked());
    }
    for (auto& [widget, state] : combos_) {
        QStringList items;
        for (const std::string& s : state->items) {
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
        widget->setCurrentIndex(state->selected);
    }
    QStringList names;
    for (const auto& e : form_->List1.items) {
        names << Q(e.text);
    }
    QStringList listed;
    for (int i = 0; i < list_->count(); ++i) {
        listed << list_->item(i)->text();
    }
    if (names != listed) {
        list_->clear();
        list_->addItems(names);
    }
    list_->setCurrentRow(form_->List1.selected);
    edit_->setText(Q(form_->ComEditMosad.caption));
    edit_->setStyleSheet(Css(form_->ComEditMosad.colour));
    remove_->setEnabled(form_->ComMehakMosad.enabled);
    DrawLabels();
    drawing_ = false;
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) {
        Press([this] { form_->Form_Activate(); });
    }
    return QWidget::event(e);
}

}  // namespace zivron::qt
