#pragma once
// The port of the tests: dialogs answered from a script, every message kept, a clock that the
// test sets, web requests to the address the test names, spreadsheets that never open a window.

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/port.h"
#include "service/fetch_page.h"

namespace zivron::test {

struct Shown {
    std::string text;
    std::string title;
    Buttons buttons;
    bool operator==(const Shown&) const = default;
};

class RecordingPort : public Port {
  public:
    std::deque<std::string> dialog_answers;
    std::vector<FileDialogRequest> dialogs;
    std::vector<Shown> messages;
    std::vector<std::filesystem::path> opened;   // ShellOpen and spreadsheets made visible
    std::vector<std::string> requests;           // every FetchPage, as the handler composed it
    std::string service = "http://127.0.0.1:9";  // nothing listens there
    LocalTime clock{2026, 12, 7, 5, 30, 12, 0};
    double tick_seconds = 0;  // added to the clock at every reading
    int yields = 0;
    int busy_depth = 0;
    bool ended = false;

    std::deque<Answer> answers;  // for questions; Ok, or Yes, when none is left

    Answer MessageBox(const std::string& text, const std::string& title, Buttons b) override {
        messages.push_back({text, title, b});
        if (b != Buttons::Ok && !answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return b == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
    void BusyPointer(bool on) override { busy_depth = on ? 1 : 0; }
    void Yield() override { ++yields; }
    std::string OpenFileDialog(const FileDialogRequest& r) override {
        dialogs.push_back(r);
        if (dialog_answers.empty()) {
            return "x";
        }
        std::string a = dialog_answers.front();
        dialog_answers.pop_front();
        return a;
    }
    void ShellOpen(const std::filesystem::path& p) override { opened.push_back(p); }
    LocalTime Now() override {
        LocalTime t = clock;
        double s = t.SecondsSinceMidnight() + tick_seconds;
        clock.hour = static_cast<int>(s / 3600);
        clock.minute = static_cast<int>(s / 60) % 60;
        clock.second = static_cast<int>(s) % 60;
        clock.millisecond = static_cast<int>((s - static_cast<int>(s)) * 1000 + 0.5) % 1000;
        return t;
    }
    std::string ComputerName() override { return "desk-7"; }
    void EndProgram() override { ended = true; }
    std::string FetchPage(const std::string& q) override {
        requests.push_back(q);
        return zivron::FetchPage(service, q);
    }
    std::string ServiceInTheClear() override { return SendsInTheClear(service) ? service : ""; }
    std::unique_ptr<sheet::SpreadsheetApp> NewSpreadsheetApp() override {
        return std::make_unique<sheet::SpreadsheetApp>(
            [this](const std::filesystem::path& p) { opened.push_back(p); });
    }
};

}  // namespace zivron::test
