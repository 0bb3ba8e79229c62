#pragma once
// The written paths of the program ("C:\ZIVRON\Shidur\msv.001", "c:\Hamara.xls") live under the
// drive root: $ZIVRON_DRIVE_C when set, otherwise the home folder.

#include <filesystem>
#include <string_view>

namespace zivron {

std::filesystem::path DriveRoot();

// "C:\ZIVRON\Shidur\msv.001" -> <drive root>/ZIVRON/Shidur/msv.001. The drive letter is dropped
// (either case), "\" becomes the folder separator, names keep their case. A path without a drive
// letter is taken as relative to the drive root as well.
std::filesystem::path MapWrittenPath(std::string_view written);

}  // namespace zivron
