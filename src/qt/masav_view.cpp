#include "qt/masav_view.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "app/texts.h"
#include "text/shaping.h"
#include "validate/account_check.h"

namespace zivron::qt {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Rows one line high and no list numbers beside them: the sheet's own row is a column.
void Compact(QTableWidget& table) {
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.verticalHeader()->setVisible(false);
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

}  // namespace

QWidget* NewMasavView(QWidget* parent, const MasavView& view) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("MasavView");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setWindowTitle(QString(texts::kMasavViewTitle)
                               .arg(Q(std::filesystem::path(view.path).filename().string())));
    auto* layout = new QVBoxLayout(dialog);
    if (!view.file) {
        auto* fault = new QLabel(QString(texts::kMasavFileFaulty).arg(Q(view.fault)));
        fault->setObjectName("fault");
        fault->setWordWrap(true);
        fault->setStyleSheet("color: #b00000;");
        layout->addWidget(fault);
        dialog->show();
        return dialog;
    }
    const masav::ReadFile& f = *view.file;
    // yymmdd as the operator reads a date, the year in four digits.
    const std::string& d = f.payment_date;
    const QString date = Q(d.substr(4, 2) + "/" + d.substr(2, 2) + "/20" + d.substr(0, 2));
    layout->addWidget(new QLabel(
        QString(texts::kMasavViewHeader)
            .arg(f.variant == masav::Variant::Credit ? texts::kCredits : texts::kCollections,
                 Q(f.institution_code), Q(f.software_code), date, Q(f.institution_name))));
    auto* table = new QTableWidget(static_cast<int>(f.details.size()), 7);
    table->setObjectName("records");
    table->setHorizontalHeaderLabels(
        {texts::kNameHeading, texts::kIdentityHeading, texts::kBankHeading, texts::kBranchHeading,
         texts::kBankNameHeading, texts::kAccountHeading, texts::kAmountHeading});
    for (int r = 0; r < table->rowCount(); ++r) {
        const masav::ReadDetail& x = f.details[static_cast<std::size_t>(r)];
        const std::string cells[] = {x.name,
                                     x.identity,
                                     x.bank,
                                     x.branch,
                                     BankAndBranchOf(x.bank, x.branch),
                                     x.account,
                                     GroupedAgorotText(x.agorot)};
        for (int c = 0; c < 7; ++c) {
            table->setItem(r, c, new QTableWidgetItem(Q(cells[c])));
        }
        table->item(r, 6)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    Compact(*table);
    layout->addWidget(table);
    // The totals as the file's last record gives them, below the records as a footer.
    auto* totals = new QLabel(
        QString(texts::kMasavViewTotals).arg(f.count).arg(Q(GroupedAgorotText(f.total_agorot))));
    totals->setObjectName("totals");
    totals->setStyleSheet("font-weight: bold; border-top: 1px solid gray; padding: 2px;");
    layout->addWidget(totals);
    dialog->resize(900, 420);
    dialog->show();
    return dialog;
}

QTableWidget* NewMarksTable(const std::vector<ImportMark>& marks) {
    auto* table = new QTableWidget(static_cast<int>(marks.size()), 5);
    table->setObjectName("marks");
    table->setHorizontalHeaderLabels({texts::kRowHeading, texts::kNameHeading, texts::kFieldHeading,
                                      texts::kReasonHeading, texts::kBankNameHeading});
    for (int r = 0; r < table->rowCount(); ++r) {
        const ImportMark& m = marks[static_cast<std::size_t>(r)];
        auto* row = new QTableWidgetItem;
        row->setData(Qt::DisplayRole, m.sheet_row);  // sorted as a number
        table->setItem(r, 0, row);
        const QString cells[] = {Q(m.name), Q(m.field), Q(m.reason), Q(m.bank)};
        for (int c = 1; c < 5; ++c) {
            table->setItem(r, c, new QTableWidgetItem(cells[c - 1]));
        }
    }
    Compact(*table);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QWidget* NewMarksView(QWidget* parent, const std::vector<ImportMark>& marks) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("MarksView");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setWindowTitle(QString(texts::kMarkedRowsTitle).arg(marks.size()));
    auto* layout = new QVBoxLayout(dialog);
    QTableWidget* table = NewMarksTable(marks);
    // A click on a heading sorts by it: by reason, the rows of one fault together.
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::AscendingOrder);  // the sheet's order first
    layout->addWidget(table);
    dialog->resize(860, 420);
    dialog->show();
    return dialog;
}

}  // namespace zivron::qt
