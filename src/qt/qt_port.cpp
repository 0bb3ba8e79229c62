#include "qt/qt_port.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

namespace zivron::qt {

Answer QtPort::MessageBox(const std::string& text, const std::string& title, Buttons buttons) {
    QMessageBox box(window_);
    box.setLayoutDirection(Qt::RightToLeft);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                           : buttons == Buttons::YesNo  ? QMessageBox::Yes | QMessageBox::No
                                                        : QMessageBox::Ok);
    if (buttons == Buttons::YesNo) {
        box.setDefaultButton(QMessageBox::No);  // a delete is never the default
    }
    // A message is read with the normal pointer, whatever the operation had set.
    const bool busy = busy_ > 0;
    if (busy) {
        QApplication::restoreOverrideCursor();
    }
    int pressed = box.exec();
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    switch (pressed) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Ok;
    }
}

bool QtPort::Confirm(QDialog& dialog) {
    const bool busy = busy_ > 0;
    if (busy) {
        QApplication::restoreOverrideCursor();
    }
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    return accepted;
}

void QtPort::BusyPointer(bool on) {
    if (on && busy_ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = 1;
    } else if (!on && busy_ > 0) {
        QApplication::restoreOverrideCursor();
        busy_ = 0;
    }
}

void QtPort::Yield() {
    // An import yields at every row; the events are looked at a hundred times a second at most,
    // which answers a click at once and costs the rows nothing they would notice.
    if (yielded_.isValid() && yielded_.elapsed() < 10) {
        return;
    }
    yielded_.restart();
    if (on_yield) {
        on_yield();
    }
    QCoreApplication::processEvents();
}

std::string QtPort::OpenFileDialog(const FileDialogRequest& request) {
    QString filter =
        request.patterns.empty()
            ? QString()
            : QString::fromStdString(request.filter_name + " (" + request.patterns + ")");
    // The folder this dialog's last file came from, kept between runs; the first time, the
    // folder of its purpose, or the operator's home.
    const QString key = QString::fromStdString("dialogs/" + request.purpose);
    QString start = QString::fromStdString(request.start_folder.string());
    if (start.isEmpty() || !QDir(start).exists()) {
        start = QDir::homePath();
    }
    start = QSettings().value(key, start).toString();
    const QString path =
        QFileDialog::getOpenFileName(window_, QString::fromStdString(request.title), start, filter);
    if (!path.isEmpty() && !request.purpose.empty()) {
        QSettings().setValue(key, QFileInfo(path).absolutePath());
    }
    return path.toStdString();
}

void QtPort::ShellOpen(const std::filesystem::path& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
}

void QtPort::EndProgram() {
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

}  // namespace zivron::qt
