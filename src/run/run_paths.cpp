#include "run/run_paths.h"

#include <cstdio>

namespace zivron {

std::string ClockText(const LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string FileClockText(const LocalTime& t) {
    std::string s = ClockText(t);
    for (char& c : s) {
        if (c == ':') {
            c = '_';
        }
    }
    return s;
}

std::string DateText(const LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", t.day, t.month, t.year);
    return buf;
}

std::string YearArchiveFolder(Panel panel, const LocalTime& t) {
    return std::string(panel == Panel::Credit ? "C:\\ZIVRON\\Arhiv\\Zikuyim\\"
                                              : "C:\\ZIVRON\\Arhiv\\Hiuvim\\") +
           std::to_string(t.year);
}

std::string MonthArchiveFolder(Panel panel, const LocalTime& t) {
    return YearArchiveFolder(panel, t) + "\\" + std::to_string(t.month) + "_" +
           std::to_string(t.year);
}

std::string ArchiveCopyPath(Panel panel, const LocalTime& t) {
    return MonthArchiveFolder(panel, t) + "\\" + std::to_string(t.day) + "_" + FileClockText(t) +
           ".001";
}

std::string DetailWorkbookPath(Panel panel, const std::string& code, const LocalTime& t) {
    return MonthArchiveFolder(panel, t) + "\\mosad=" + code + "yom=" + std::to_string(t.day) +
           "_shaa=" + FileClockText(t) + ".xlsx";
}

std::string SummaryWorkbookPath(Panel panel, const std::string& code, const LocalTime& t) {
    return YearArchiveFolder(panel, t) + "\\Rikuz=" + std::to_string(t.year) + "mosad=" + code +
           ".xlsx";
}

}  // namespace zivron
