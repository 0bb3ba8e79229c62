#pragma once
// The spreadsheet tests' own fixture: an application whose shown files are kept, workbooks opened
// by the library and read again by openpyxl, and a package's parts.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "spreadsheet/workbook.h"
#include "spreadsheet/zip/zip_archive.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace zivron::sheet {

// Fills as the import marks with, written and read back as any other.
constexpr zivron::sheet::Rgb kCyanFill{128, 255, 255};
constexpr zivron::sheet::Rgb kRedFill{255, 128, 128};
constexpr zivron::sheet::Rgb kYellowFill{255, 255, 0};

namespace fs = std::filesystem;

class SpreadsheetTest : public test::TempDirTest {
  protected:
    SpreadsheetApp app_{[this](const fs::path& p) { shown_.push_back(p); }};
    std::vector<fs::path> shown_;

    Workbook* MustOpen(const fs::path& p) {
        Result<Workbook*> wb = app_.Open(p);
        EXPECT_TRUE(wb.ok()) << (wb.ok() ? "" : wb.error().message);
        return wb.ok() ? wb.value() : nullptr;
    }
    // What openpyxl reads from the file, a fact a line.
    std::string ReadWithOpenpyxl(const fs::path& p) {
        auto r = test::RunProcess(
            ZIVRON_PYTHON,
            {std::string(ZIVRON_TEST_DATA) + "/xlsx/read_with_openpyxl.py", p.string()});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return r.out;
    }
    std::map<std::string, std::string> PartsOf(const fs::path& p) {
        std::map<std::string, std::string> out;
        auto parts = ReadZip(p);
        EXPECT_TRUE(parts.ok());
        if (parts.ok()) {
            for (auto& part : parts.value()) {
                out[part.name] = part.data;
            }
        }
        return out;
    }
};

// A cell as a failed check prints it.
inline void PrintTo(const CellValue& v, std::ostream* out) {
    *out << static_cast<int>(v.kind) << ":" << v.number << ":\"" << v.text << "\"";
}

inline bool Has(const std::string& facts, const std::string& line) {
    std::istringstream in(facts);
    for (std::string l; std::getline(in, l);) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

}  // namespace zivron::sheet
