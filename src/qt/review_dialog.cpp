#include "qt/review_dialog.h"

#include "app/texts.h"
#include "qt/masav_view.h"

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
    std::vector<ImportMark> rows = review.marks;
    rows.insert(rows.end(), review.warnings.begin(), review.warnings.end());
    if (!rows.empty()) {
        layout->addWidget(NewMarksTable(rows));
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
    dialog->resize(rows.empty() ? 640 : 860, rows.empty() ? 260 : 480);  // room for the names
    return dialog;
}

}  // namespace zivron::qt
