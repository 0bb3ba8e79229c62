#pragma once
// Every save of a workbook is read back before it takes the workbook's name: the file written is
// opened again by the program's own reader and held against what was meant. A difference keeps
// the old file whole and refuses the save with a message that names the workbook.

#include <filesystem>
#include <functional>
#include <string>

#include "core/result.h"
#include "spreadsheet/sheet_values.h"

namespace zivron::sheet {

// The refusal: the workbook named, what was found, the old file kept.
Error ReadBackRefused(const std::filesystem::path& workbook, const std::string& why);

// What the written sheet holds against what it was meant to hold: nothing when they agree, or
// the first cell that differs (its value or its fill), named.
std::string FirstDifference(const SheetValues& meant, const SheetValues& written);

// Tests damage the written file here, between its writing and its reading back, to see the
// guard refuse; nothing is done in the program.
using WrittenFileDamage = std::function<void(const std::filesystem::path& written)>;
void DamageWrittenFilesForTests(WrittenFileDamage damage);
void DamageWrittenFile(const std::filesystem::path& written);

}  // namespace zivron::sheet
