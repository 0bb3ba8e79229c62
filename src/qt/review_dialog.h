#pragma once
// The review before a file is made, as a dialog: what the file will hold, the marked rows, what
// the transmission folder holds now, and "צור את הקובץ" / "ביטול" with the safer one the default.

#include <QDialog>

#include "app/file_review.h"

namespace zivron::qt {

QDialog* NewReviewDialog(QWidget* parent, const FileReview& review);

}  // namespace zivron::qt
