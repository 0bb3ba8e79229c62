#pragma once
// The command line's port: no window ever opens, the file dialog answers with the file named on
// the command line, messages are kept for the command to print, and the web service is asked
// only when the command is meant to talk to it.

#include <string>
#include <vector>

#include "app/system_port.h"

namespace zivron::cli {

class CliPort : public SystemPort {
  public:
    CliPort(std::string file, bool online) : file_(std::move(file)), online_(online) {}

    std::vector<std::string> messages;
    // A question (OK / Cancel) is answered Cancel unless the command says yes beforehand.
    bool answer_yes = false;

    Answer MessageBox(const std::string& text, const std::string&, Buttons buttons) override {
        messages.push_back(text);
        if (buttons == Buttons::YesNo) {
            return answer_yes ? Answer::Yes : Answer::No;
        }
        return buttons == Buttons::OkCancel && !answer_yes ? Answer::Cancel : Answer::Ok;
    }
    void BusyPointer(bool) override {}
    void Yield() override {}
    std::string OpenFileDialog(const FileDialogRequest&) override { return file_; }
    void ShellOpen(const std::filesystem::path&) override {}
    void EndProgram() override {}
    std::string FetchPage(const std::string& q) override {
        return online_ ? SystemPort::FetchPage(q) : std::string();
    }
    std::unique_ptr<sheet::SpreadsheetApp> NewSpreadsheetApp() override {
        return std::make_unique<sheet::SpreadsheetApp>(sheet::ShowFile{});
    }

  private:
    std::string file_;
    bool online_;
};

}  // namespace zivron::cli
