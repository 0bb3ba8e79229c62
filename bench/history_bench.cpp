// The payee guard on a year of history: 52 weekly runs of 10,000 payees (520,000 rows) recorded
// into a fresh history file, then the review of a 10,000-row table guarded against it, eleven
// times. Prints the file's size and the guard's median and best milliseconds.
//
//   history_bench [FOLDER]     the history is written under FOLDER (default: a temporary one)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "history/payee_guard.h"
#include "history/payee_history.h"

namespace fs = std::filesystem;
using namespace zivron;

namespace {

constexpr int kPayees = 10000;
constexpr int kWeeks = 52;
constexpr int kRounds = 11;

std::vector<masav::Row> Payees(int week) {
    std::vector<masav::Row> rows;
    rows.reserve(kPayees);
    for (int i = 0; i < kPayees; ++i) {
        rows.push_back({"מוטב " + std::to_string(i), std::to_string(100000 + i), "12",
                        std::to_string(600 + i % 50), std::to_string(100000 + i),
                        std::to_string(1000 + (i * 7 + week) % 500) + ".50"});
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "zivron-history-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "history.sqlite";
    {
        PayeeHistory history = PayeeHistory::Open(file).value();
        for (int week = 0; week < kWeeks; ++week) {
            const masav::ValueDate date{1 + week % 28, 1 + week / 28 * 6, 2026};
            if (!history.Record("12345678", masav::Variant::Credit, date, Payees(week))) {
                std::fprintf(stderr, "recording failed\n");
                return 1;
            }
        }
    }
    std::printf("history: %d rows, %.1f MB\n", kPayees * kWeeks,
                static_cast<double>(fs::file_size(file)) / 1e6);

    PayeeHistory history = PayeeHistory::Open(file).value();  // opened once, as a run does
    const std::vector<masav::Row> table = Payees(kWeeks);
    std::vector<double> ms;
    std::size_t findings = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        Result<GuardReport> report =
            GuardPayees(history, "12345678", masav::Variant::Credit, table, false);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (!report) {
            std::fprintf(stderr, "%s\n", report.error().message.c_str());
            return 1;
        }
        findings = report.value().findings.size();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("guard of %d rows: median %.1f ms, best %.1f ms (%zu findings)\n", kPayees,
                ms[ms.size() / 2], ms.front(), findings);
    fs::remove_all(folder);
    return 0;
}
