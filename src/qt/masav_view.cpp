#include "qt/masav_view.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "text/shaping.h"

namespace zivron::qt {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

QWidget* NewMasavView(QWidget* parent, const MasavView& view) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("MasavView");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setWindowTitle("קובץ מסב - " + Q(std::filesystem::path(view.path).filename().string()));
    auto* layout = new QVBoxLayout(dialog);
    if (!view.file) {
        auto* fault = new QLabel("הקובץ אינו תקין: " + Q(view.fault));
        fault->setObjectName("fault");
        fault->setWordWrap(true);
        fault->setStyleSheet("color: #b00000;");
        layout->addWidget(fault);
        dialog->show();
        return dialog;
    }
    const masav::ReadFile& f = *view.file;
    const std::string& d = f.payment_date;
    layout->addWidget(
        new QLabel(QString("%1   קוד מוסד %2   קוד תוכנה %3   תאריך ערך %4/%5/%6   %7")
                       .arg(f.variant == masav::Variant::Credit ? "זיכויים" : "חיובים",
                            Q(f.institution_code), Q(f.software_code), Q(d.substr(4, 2)),
                            Q(d.substr(2, 2)), Q(d.substr(0, 2)), Q(f.institution_name))));
    auto* table = new QTableWidget(static_cast<int>(f.details.size()), 6);
    table->setObjectName("records");
    table->setHorizontalHeaderLabels({"שם", "זהות", "בנק", "סניף", "חשבון", "סכום"});
    for (int r = 0; r < table->rowCount(); ++r) {
        const masav::ReadDetail& x = f.details[static_cast<std::size_t>(r)];
        const std::string cells[] = {x.name,   x.identity, x.bank,
                                     x.branch, x.account,  AgorotText(x.agorot)};
        for (int c = 0; c < 6; ++c) {
            table->setItem(r, c, new QTableWidgetItem(Q(cells[c])));
        }
    }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(table);
    auto* totals = new QLabel(
        QString("מספר תנועות: %1   סך הכל: %2").arg(f.count).arg(Q(AgorotText(f.total_agorot))));
    totals->setObjectName("totals");
    layout->addWidget(totals);
    dialog->resize(640, 420);
    dialog->show();
    return dialog;
}

QWidget* NewMarksView(QWidget* parent, const std::vector<ImportMark>& marks) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("MarksView");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setLayoutDirection(Qt::RightToLeft);
    dialog->setWindowTitle("שורות שסומנו ביבוא");
    auto* layout = new QVBoxLayout(dialog);
    auto* table = new QTableWidget(static_cast<int>(marks.size()), 4);
    table->setObjectName("marks");
    table->setHorizontalHeaderLabels({"שורה", "שם", "שדה", "סיבה"});
    for (int r = 0; r < table->rowCount(); ++r) {
        const ImportMark& m = marks[static_cast<std::size_t>(r)];
        const QString cells[] = {QString::number(m.sheet_row), Q(m.name), Q(m.field), Q(m.reason)};
        for (int c = 0; c < 4; ++c) {
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
        }
    }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    dialog->resize(640, 320);
    dialog->show();
    return dialog;
}

}  // namespace zivron::qt
