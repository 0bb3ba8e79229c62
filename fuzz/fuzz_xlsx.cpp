// The workbook reader on arbitrary bytes: open, read, write, save (which reads its file back and
// compares), open again. Any crash, leak or sanitizer report, or a save that does not read back
// as written, is a fault; a refusal with a message is the expected answer to garbage.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "spreadsheet/workbook.h"

namespace {

// A fill as the import marks with, written and read back as any other.
constexpr zivron::sheet::Rgb kCyanFill{128, 255, 255};

std::filesystem::path Scratch(const char* name) {
    static const std::filesystem::path dir = [] {
        auto d =
            std::filesystem::temp_directory_path() / ("zivron-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir / name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zivron::sheet;
    const auto in = Scratch(ZIVRON_FUZZ_INPUT_NAME);
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SpreadsheetApp app({});
    auto wb = app.Open(in);
    if (!wb) {
        return 0;
    }
    std::size_t chars = 0;
    for (int r = 1; r <= 20; ++r) {
        for (int c = 1; c <= 12; ++c) {
            chars += CellText(wb.value()->Read(r, c)).size();
            (void)wb.value()->FillOf(r, c);
        }
    }
    (void)wb.value()->WriteText(2, 9, "fuzz");
    (void)wb.value()->WriteNumber(2, 6, static_cast<double>(chars));
    (void)wb.value()->SetFill(2, 2, kCyanFill);
    const auto out = Scratch(ZIVRON_FUZZ_OUTPUT_NAME);
    // The save reads its file back and compares it with what it meant to write, every sheet's
    // cells and fills: a save refused for a difference is a fault of the writer.
    zivron::Status saved = wb.value()->SaveAs(out);
    if (!saved && saved.error().code == zivron::ErrorCode::ReadBack) {
        __builtin_trap();
    }
    if (saved) {
        SpreadsheetApp again({});
        auto back = again.Open(out);
        if (!back || back.value()->Read(2, 9).text != "fuzz" ||
            back.value()->FillOf(2, 2) != std::optional<Rgb>(kCyanFill)) {
            __builtin_trap();  // what the layer saved, it must read as written
        }
    }
    // Opened from its last row, grown below it and saved with the rows before it kept apart:
    // read whole again, it must hold the row written.
    SpreadsheetApp tail({});
    auto grown = tail.Open(in, OpenMode::FromLastRow);
    if (grown) {
        const int row = grown.value()->LastRow() + 1;
        const auto out2 = Scratch("tail-" ZIVRON_FUZZ_OUTPUT_NAME);
        if (RowsKeptApart* apart = grown.value()->KeptApartRows()) {
            apart->KeepLastRowApart();
        }
        if (row <= kMaxRows && grown.value()->WriteText(row, 1, "fuzz").ok() &&
            grown.value()->SaveAs(out2).ok()) {
            SpreadsheetApp again({});
            auto back = again.Open(out2);
            if (!back || back.value()->Read(row, 1).text != "fuzz") {
                __builtin_trap();
            }
        }
    }
    return 0;
}
