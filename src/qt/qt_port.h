#pragma once
// The port with real dialogs: QMessageBox, QFileDialog, the override cursor, processEvents,
// QDesktopServices.

#include <QDialog>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>

#include "app/system_port.h"

namespace zivron::qt {

class QtPort : public SystemPort {
  public:
    void SetWindow(QWidget* window) { window_ = window; }
    // Run at a yield of an import, before pending events: the window redraws its state.
    std::function<void()> on_yield;
    // Run when a handler wants its state shown now.
    std::function<void()> on_show_state;
    void ShowState() override {
        if (on_show_state) {
            on_show_state();
        }
    }

    Answer MessageBox(const std::string& text, const std::string& title, Buttons buttons) override;
    // A dialog of the window's own, asked and answered: true when the operator accepts it.
    virtual bool Confirm(QDialog& dialog);
    void BusyPointer(bool on) override;
    void Yield() override;
    std::string OpenFileDialog(const FileDialogRequest& request) override;
    void ShellOpen(const std::filesystem::path& path) override;
    void EndProgram() override;

  private:
    QWidget* window_ = nullptr;
    int busy_ = 0;
    QElapsedTimer yielded_;
};

}  // namespace zivron::qt
