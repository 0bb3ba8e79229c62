#pragma once
// The small port through which the program's handlers reach the world: the Qt windows implement it
// with real dialogs, the tests with a recorder that answers from a script.

#include <filesystem>
#include <string>

namespace zivron {

enum class Buttons { Ok, OkCancel };
enum class Answer { Ok, Cancel };

struct FileDialogRequest {
    std::string filter_name;  // what the dialog shows for the filter; empty lists every file
    std::string patterns;     // "*.xls *.xlsx"; empty for every file
    std::string title;
    std::filesystem::path start_folder;
};

class Port {
  public:
    virtual ~Port() = default;

    virtual Answer MessageBox(const std::string& text, const std::string& title,
                              Buttons buttons) = 0;
    virtual void BusyPointer(bool on) = 0;
    // Lets pending window events run (repaints, the clock, other buttons).
    virtual void Yield() = 0;
    // The full path chosen, or "x" when the operator cancels.
    virtual std::string OpenFileDialog(const FileDialogRequest& request) = 0;
    // Hands a file or folder to the desktop's program for it.
    virtual void ShellOpen(const std::filesystem::path& path) = 0;
};

}  // namespace zivron
