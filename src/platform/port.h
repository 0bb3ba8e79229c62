#pragma once
// The small port through which the program's handlers reach the world: the Qt windows implement it
// with real dialogs, the command line and the tests with objects that answer from arguments or a
// script. Nothing behind it blocks for long except FetchPage, which has its own time-outs.

#include <filesystem>
#include <memory>
#include <string>

#include "spreadsheet/workbook.h"

namespace zivron {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    std::string filter_name;  // what the dialog shows for the filter; empty lists every file
    std::string patterns;     // "*.xls *.xlsx"; empty for every file
    std::string title;
    // Where the dialog opens the first time; after that, where its last file was chosen, which
    // the front end keeps under `purpose`.
    std::filesystem::path start_folder;
    std::string purpose;
};

// The local time of day and date, as the handlers read the clock.
struct LocalTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    double SecondsSinceMidnight() const {
        return hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
    }
};

class Port {
  public:
    virtual ~Port() = default;

    virtual Answer MessageBox(const std::string& text, const std::string& title,
                              Buttons buttons) = 0;
    virtual void BusyPointer(bool on) = 0;
    // Lets pending window events run (repaints, the clock, other buttons).
    virtual void Yield() = 0;
    // Draws the window's state at once, so what a message speaks of is already shown.
    virtual void ShowState() {}
    // The full path chosen, or "x" when the operator cancels.
    virtual std::string OpenFileDialog(const FileDialogRequest& request) = 0;
    // Hands a file or folder to the desktop's program for it.
    virtual void ShellOpen(const std::filesystem::path& path) = 0;
    virtual LocalTime Now() = 0;
    virtual std::string ComputerName() = 0;
    virtual void EndProgram() = 0;
    // One request to the web service; the reply body, or "" on any failure.
    virtual std::string FetchPage(const std::string& page_and_query) = 0;
    // An operation of the operator's begins: its requests share one time budget.
    virtual void StartCommand() {}
    // The service's address when a password sent there would travel unencrypted; else "".
    virtual std::string ServiceInTheClear() { return {}; }
    // A new spreadsheet application instance for one operation.
    virtual std::unique_ptr<sheet::SpreadsheetApp> NewSpreadsheetApp() = 0;
};

// The busy pointer for as long as it lives, the normal one after, however the work ends.
class BusyWhile {
  public:
    explicit BusyWhile(Port& port) : port_(port) { port_.BusyPointer(true); }
    ~BusyWhile() { port_.BusyPointer(false); }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

  private:
    Port& port_;
};

}  // namespace zivron
