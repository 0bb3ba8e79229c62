#pragma once
// The BIFF8 record types the layer reads and writes, by their names in the format's description.

#include <cstdint>

namespace zivron::sheet::biff {

inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kFilePass = 0x002F;  // an encrypted workbook
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDefaultColumnWidth = 0x0055;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kPalette = 0x0092;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kRichString = 0x00D6;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kDefaultRowHeight = 0x0225;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;  // a formula's text result
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kSharedFormula = 0x04BC;
inline constexpr std::uint16_t kBof = 0x0809;

// BOF: the BIFF8 version and the kinds of substream.
inline constexpr std::uint16_t kBiff8 = 0x0600;
inline constexpr std::uint16_t kWorkbookGlobals = 0x0005;
inline constexpr std::uint16_t kWorksheet = 0x0010;

// WINDOW2's options.
inline constexpr std::uint16_t kRightToLeft = 0x0040;
inline constexpr std::uint16_t kSheetSelected = 0x0200;
inline constexpr std::uint16_t kSheetShown = 0x0400;

// A row's height in twips where the sheet sets none: 12.75 points.
inline constexpr std::uint16_t kStandardRowHeight = 0x00FF;

// XF: the bit of its type word that makes it a style's format, not a cell's.
inline constexpr std::uint16_t kStyleXf = 0x0004;

// An XF index in a ROW record's option word.
inline constexpr std::uint16_t kRowXfMask = 0x0FFF;

}  // namespace zivron::sheet::biff
