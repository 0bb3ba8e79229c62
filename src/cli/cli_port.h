#pragma once
// The command line's port: no window ever opens, no file dialog is asked (the files come as
// arguments), messages during an operation go to stderr, and the web service is asked only when
// the command is meant to talk to it.

#include <iostream>
#include <string>

#include "app/system_port.h"

namespace zivron::cli {

class CliPort : public SystemPort {
  public:
    explicit CliPort(bool online, std::ostream& err = std::cerr) : online_(online), err_(err) {}

    // A question (OK / Cancel) is answered Cancel unless the command says yes beforehand.
    bool answer_yes = false;

    Answer MessageBox(const std::string& text, const std::string&, Buttons buttons) override {
        err_ << text << "\n";
        if (buttons == Buttons::YesNo) {
            return answer_yes ? Answer::Yes : Answer::No;
        }
        return buttons == Buttons::OkCancel && !answer_yes ? Answer::Cancel : Answer::Ok;
    }
    void BusyPointer(bool) override {}
    void Yield() override {}
    std::string OpenFileDialog(const FileDialogRequest&) override { return ""; }
    void ShellOpen(const std::filesystem::path&) override {}
    void EndProgram() override {}
    // A run of the command line is one operation: its requests share one budget from the start.
    void StartCommand() override {}
    std::string FetchPage(const std::string& q) override {
        return online_ ? SystemPort::FetchPage(q) : std::string();
    }
    std::unique_ptr<sheet::SpreadsheetApp> NewSpreadsheetApp() override {
        return std::make_unique<sheet::SpreadsheetApp>(sheet::ShowFile{});
    }

  private:
    bool online_;
    std::ostream& err_;
};

}  // namespace zivron::cli
