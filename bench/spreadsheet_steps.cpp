// The import's spreadsheet work on a 10,000-row workbook (or as many rows as it has), timed: open,
// read every cell of A..F, write four columns of every row, colour three cells in every ten rows
// (3,000 on 10,000 rows), save in place.
//
//   spreadsheet_steps make FILE [ROWS] writes the workbook, 10,000 x 6 unless ROWS is given
//   spreadsheet_steps run FILE [N]     runs the steps N times on copies; prints the median and
//                                      the best in ms, and the peak resident memory

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "spreadsheet/workbook.h"

namespace fs = std::filesystem;
using namespace zivron::sheet;

namespace {

// Fills as the import marks with, written and read back as any other.
constexpr zivron::sheet::Rgb kCyanFill{128, 255, 255};
constexpr zivron::sheet::Rgb kRedFill{255, 128, 128};

constexpr int kRows = 10000;

// Every tenth identity number is typed with hyphens, so the typing fix has work to do.
int Make(const fs::path& path, int rows) {
    SpreadsheetApp app({});
    Workbook* wb = app.Add();
    const char* names[] = {"ישראל ישראלי", "שרה כהן", "דוד לוי", "רחל אברהם"};
    for (int r = 2; r <= rows + 1; ++r) {
        (void)wb->WriteText(r, 1, names[r % 4]);
        std::string id = std::to_string(100000000 + r * 7);
        (void)wb->WriteText(r, 2, r % 10 == 0 ? id.substr(0, 3) + "-" + id.substr(3) : id);
        (void)wb->WriteNumber(r, 3, 12);
        (void)wb->WriteNumber(r, 4, 600 + r % 50);
        (void)wb->WriteText(r, 5, std::to_string(100000 + r));
        (void)wb->WriteNumber(r, 6, 100 + r * 0.25);
    }
    zivron::Status s = wb->SaveAs(path);
    if (!s) {
        std::fprintf(stderr, "%s\n", s.error().message.c_str());
        return 1;
    }
    return 0;
}

bool Steps(const fs::path& path) {
    SpreadsheetApp app({});
    auto wb = app.Open(path);
    if (!wb) {
        std::fprintf(stderr, "%s\n", wb.error().message.c_str());
        return false;
    }
    Workbook* w = wb.value();
    const int last = w->LastRow();
    std::size_t chars = 0;
    for (int r = 2; r <= last; ++r) {
        for (int c = 1; c <= 6; ++c) {
            chars += CellText(w->Read(r, c)).size();
        }
    }
    int coloured = 0;
    for (int r = 2; r <= last; ++r) {
        for (int c = 2; c <= 5; ++c) {
            (void)w->WriteText(r, c, CellText(w->Read(r, c)));
        }
        if (coloured < 3 * (last - 1) / 10 && r % 3 == 0) {
            (void)w->SetFill(r, 2, kCyanFill);
            (void)w->SetFill(r, 9, kCyanFill);
            (void)w->SetFill(r, 3, kRedFill);
            coloured += 3;
        }
    }
    zivron::Status s = w->Save();
    if (!s) {
        std::fprintf(stderr, "%s\n", s.error().message.c_str());
        return false;
    }
    return chars > 0;
}

int Run(const fs::path& source, int times) {
    std::vector<double> ms;
    fs::path work = source.parent_path() / ("." + source.filename().string() + ".bench.xlsx");
    for (int i = 0; i < times; ++i) {
        fs::copy_file(source, work, fs::copy_options::overwrite_existing);
        auto t0 = std::chrono::steady_clock::now();
        if (!Steps(work)) {
            return 1;
        }
        auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    fs::remove(work);
    std::sort(ms.begin(), ms.end());
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("zivron: median %.1f ms (best %.1f ms) over %d runs, peak memory %.1f MB\n",
                ms[ms.size() / 2], ms.front(), times, static_cast<double>(ru.ru_maxrss) / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "make") {
        return Make(argv[2], argc >= 4 ? std::max(1, std::atoi(argv[3])) : kRows);
    }
    if (argc >= 3 && std::string(argv[1]) == "run") {
        return Run(argv[2], argc >= 4 ? std::max(1, std::atoi(argv[3])) : 9);
    }
    std::fprintf(stderr, "usage: spreadsheet_steps make FILE [ROWS] | run FILE [N]\n");
    return 2;
}
