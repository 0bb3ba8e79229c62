#pragma once
// The builder's steps: the run's Masav bytes, its folders, and its activity-log entry.

#include <filesystem>
#include <string>

#include "core/result.h"
#include "platform/port.h"
#include "run/run_record.h"

namespace zivron {

// The whole msv.001 of the run, or the operator's message why it cannot be written.
Result<std::string> BuildMasav(const RunRecord& run);

// msv.001 written whole and read back before it takes its name: every record against what the
// run meant to write. A difference refuses the run and leaves the previous file whole.
Status WriteMasavFile(const RunRecord& run, const std::string& bytes,
                      const std::filesystem::path& path);

// A folder as the program writes it ("C:\ZIVRON\..."), made with its parents when missing.
Status MakeWrittenFolder(const std::string& written);

// The account as the top bar holds it.
struct Account {
    std::string name;
    std::string number;
};

// The activity-log request of a finished run, before FetchPage encodes it.
std::string ActivityLogQuery(const RunRecord& run, const Account& account,
                             const std::string& count_text, const LocalTime& now,
                             const std::string& computer);

}  // namespace zivron
