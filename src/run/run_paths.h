#pragma once
// The folders and file names of a builder's run, as the program writes them ("C:\ZIVRON\...").

#include <string>

#include "platform/port.h"
#include "run/run_record.h"

namespace zivron {

inline constexpr const char* kMasavFile = "C:\\ZIVRON\\Shidur\\msv.001";
inline constexpr const char* kTransmissionFolder = "C:\\ZIVRON\\Shidur";

// "hh:mm:ss", and the same with "_" for ":" as file names carry it.
std::string ClockText(const LocalTime& t);
std::string FileClockText(const LocalTime& t);
// "dd/mm/yyyy".
std::string DateText(const LocalTime& t);

std::string YearArchiveFolder(Panel panel, const LocalTime& t);
std::string MonthArchiveFolder(Panel panel, const LocalTime& t);
std::string ArchiveCopyPath(Panel panel, const LocalTime& t);
std::string DetailWorkbookPath(Panel panel, const std::string& code, const LocalTime& t);
std::string SummaryWorkbookPath(Panel panel, const std::string& code, const LocalTime& t);

}  // namespace zivron
