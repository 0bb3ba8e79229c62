#include "qt/review_dialog.h"

#include "app/texts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zivron::qt {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The marked rows: sheet row, name, field and reason.
QTableWidget* MarksTable(const std::vector<ImportMark>& marks) {
    auto* table = new QTableWidget(static_cast<int>(marks.size()), 4);
    table->setObjectName("marks");
    table->setHorizontalHeaderLabels(
        {texts::kRowHeading, texts::kNameHeading, texts::kFieldHeading, texts::kReasonHeading});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    for (int i = 0; i < static_cast<int>(marks.size()); ++i) {
        const ImportMark& m = marks[static_cast<std::size_t>(i)];
        table->setItem(i, 0, new QTableWidgetItem(QString::number(m.sheet_row)));
        table->setItem(i, 1, new QTableWidgetItem(Q(m.name)));
        table->setItem(i, 2, new QTableWidgetItem(Q(m.field)));
        table->setItem(i, 3, new QTableWidgetItem(Q(m.reason)));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

}  // namespace

QDialog* NewReviewDialog(QWidget* parent, const FileReview& review) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("ReviewDialog");
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setWindowTitle(texts::kReviewTitle);
    auto* layout = new QVBoxLayout(dialog);
    std::string summary = review.Text();
    // The rows are listed in the table below, not line by line in the text.
    if (!review.marks.empty()) {
        std::string kept;
        std::size_t at = 0;
        while (at < summary.size()) {
            const std::size_t end = summary.find('\n', at);
            const std::string line = summary.substr(at, end - at + 1);
            if (line.find('\t') == std::string::npos) {
                kept += line;
            }
            at = end == std::string::npos ? summary.size() : end + 1;
        }
        summary = kept;
    }
    auto* text = new QLabel(Q(summary));
    text->setObjectName("summary");
    text->setWordWrap(true);
    layout->addWidget(text);
    if (!review.marks.empty()) {
        layout->addWidget(MarksTable(review.marks));
    }
    auto* buttons = new QHBoxLayout;
    auto* create = new QPushButton(texts::kMakeTheFile);
    create->setObjectName("CreateFile");
    // A known payee's new account is the commonest fraud: the file waits for the operator's word.
    if (review.AccountChanged()) {
        auto* checked = new QCheckBox(texts::kChangesChecked);
        checked->setObjectName("ChangesChecked");
        checked->setStyleSheet("color: #b00000; font-weight: bold;");
        create->setEnabled(false);
        QObject::connect(checked, &QCheckBox::toggled, create, &QPushButton::setEnabled);
        layout->addWidget(checked);
    }
    auto* cancel = new QPushButton(texts::kCancel);
    cancel->setObjectName("Cancel");
    (review.cancel_by_default ? cancel : create)->setDefault(true);
    (review.cancel_by_default ? cancel : create)->setFocus();
    QObject::connect(create, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    buttons->addWidget(create);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    dialog->resize(640, review.marks.empty() ? 260 : 480);
    return dialog;
}

}  // namespace zivron::qt
