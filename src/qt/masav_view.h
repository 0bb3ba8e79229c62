#pragma once
// A window of its own for a Masav file read back: its header, one row a record, the count and
// total, or the first fault; right to left, to keep open beside the workbook.

#include <QTableWidget>
#include <QWidget>

#include "app/session_state.h"

namespace zivron::qt {

QWidget* NewMasavView(QWidget* parent, const MasavView& view);

// The rows an import marked: sheet row, name, field and reason, right to left.
QWidget* NewMarksView(QWidget* parent, const std::vector<ImportMark>& marks);
// The marked rows as a table: sheet row, name, field, reason, the bank's and branch's names.
QTableWidget* NewMarksTable(const std::vector<ImportMark>& marks);

}  // namespace zivron::qt
