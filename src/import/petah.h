#pragma once
// The file-open dialogs of the program: Petah for import workbooks, PetahAll for any file.

#include <filesystem>
#include <string>

#include "platform/port.h"

namespace zivron {

// The chosen workbook's full path, or "x" on cancel. Like the system dialog, a choice moves the
// working folder to the chosen file's folder; callers keep a WorkingFolder to restore it.
std::string Petah(Port& port);
std::string PetahAll(Port& port);

// Remembers the working folder and sets it back when it goes out of scope.
class WorkingFolder {
  public:
    WorkingFolder();
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

  private:
    std::filesystem::path saved_;
};

}  // namespace zivron
