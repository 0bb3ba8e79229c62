#include "masav/masav_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "masav/masav_reader.h"
#include "text/hebrew.h"

namespace zivron::masav {
namespace {

// The rows behind the expected files; make_golden.py beside them holds the same rows.
const std::vector<Row> kHebrewRows = {
    {"ישראל ישראלי", "123456782", "12", "600", "100006", "1234.50"},
    {"שרה כהן", "18", "10", "936", "1002", "980"},
    {"O'Neil. Ltd", "26", "11", "1", "100009", "15.75"},
    {"  דוד לוי  ", "000000018", "20", "826", "10001", "1,250"},
};
const std::vector<Row> kLongRows = {
    {"אברהם בן יצחק בן יעקב הכהן", "0123456782", "", "12", "0000100006", "7"},
    {"abcdefghijklmnopqrstuvwxyz", "5", "0009", "0001", "000000000100004", "0.5"},
};
const std::vector<Row> kFractionRows = {
    {"א", "18", "12", "600", "100006", "0.015"}, {"ב", "18", "12", "600", "100006", "0.015"},
    {"ג", "18", "12", "600", "100006", "0.015"}, {"ד", "18", "12", "600", "100006", "1.005"},
    {"ה", "18", "12", "600", "100006", "2.675"},
};

FileInput Input(Variant variant, std::span<const Row> rows) {
    FileInput in;
    in.variant = variant;
    in.institution = {"12345678", "54321", "עמותת הדגמה"};
    in.date = {7, 12, 2026};
    in.rows = rows;
    return in;
}

std::string ReadData(const std::string& name) {
    std::ifstream f(std::string(ZIVRON_TEST_DATA) + "/masav/" + name, std::ios::binary);
    EXPECT_TRUE(f.good()) << name;
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t nl = file.find('\n', at);
        std::string line = file.substr(at, nl - at);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        at = nl == std::string::npos ? file.size() : nl + 1;
    }
    return lines;
}

TEST(MasavFile, MatchesTheExpectedFilesByteForByte) {
    struct Case {
        const char* file;
        Variant variant;
        std::vector<Row> rows;
    };
    const std::vector<Case> cases = {
        {"credit_one_row.001", Variant::Credit, {kHebrewRows[0]}},
        {"collection_one_row.001", Variant::Collection, {kHebrewRows[0]}},
        {"credit_hebrew.001", Variant::Credit, kHebrewRows},
        {"collection_hebrew.001", Variant::Collection, kHebrewRows},
        {"credit_long_fields.001", Variant::Credit, kLongRows},
        {"collection_long_fields.001", Variant::Collection, kLongRows},
        {"credit_fractions.001", Variant::Credit, kFractionRows},
        {"collection_fractions.001", Variant::Collection, kFractionRows},
    };
    for (const Case& c : cases) {
        Result<std::string> file = BuildFile(Input(c.variant, c.rows));
        ASSERT_TRUE(file.ok()) << c.file;
        EXPECT_EQ(file.value(), ReadData(c.file)) << c.file;
    }
}

TEST(MasavFile, SizeFollowsTheRowCount) {
    std::vector<Row> rows;
    for (int n = 0; n <= 40; ++n) {
        std::span<const Row> first(rows.data(), rows.size());
        auto credit = BuildFile(Input(Variant::Credit, first));
        auto collection = BuildFile(Input(Variant::Collection, first));
        ASSERT_TRUE(credit.ok() && collection.ok());
        EXPECT_EQ(credit.value().size(), 130u * (rows.size() + 3));
        EXPECT_EQ(collection.value().size(), 129u * (rows.size() + 2) + 130);
        // Rows of every shape, so over-long and empty fields are in the count too.
        rows.push_back({std::string(n % 30, 'a') + "שם", std::to_string(n * 7919),
                        n % 3 ? "12" : "", std::to_string(n), std::string(n % 10, '9'),
                        std::to_string(n) + ".125"});
    }
}

TEST(MasavFile, TerminatorsOfEachVariant) {
    std::vector<Row> one = {kHebrewRows[0]};
    std::string credit = BuildFile(Input(Variant::Credit, one)).value();
    std::string collection = BuildFile(Input(Variant::Collection, one)).value();
    for (std::size_t line = 0; line < 4; ++line) {
        EXPECT_EQ(credit.substr(line * 130 + 128, 2), "\r\n");
    }
    for (std::size_t line = 0; line < 3; ++line) {
        EXPECT_EQ(collection[line * 129 + 128], '\n');
    }
    EXPECT_EQ(collection.substr(3 * 129), std::string(128, '9') + "\r\n");
}

TEST(MasavFile, FieldsOfADetailRecord) {
    std::vector<Row> rows = {{"O'Neil. Ltd", "26", "12", "600", "0123456789", "1234.5"},
                             {"12abc", "x", "0", "", "12345", "0.5"}};
    std::vector<std::string> credit = Lines(BuildFile(Input(Variant::Credit, rows)).value());
    ASSERT_EQ(credit.size(), 5u);
    const std::string& d = credit[1];
    auto at = [&](int pos, int width) {
        return d.substr(static_cast<std::size_t>(pos - 1), width);
    };
    EXPECT_EQ(at(18, 2), "12");
    EXPECT_EQ(at(20, 3), "600");
    EXPECT_EQ(at(27, 9), "123456789");  // an extra leading zero is dropped, never a digit
    EXPECT_EQ(at(37, 9), "000000026");
    EXPECT_EQ(at(46, 16),
              "       dtL lieNO");  // apostrophe and stop removed, reversed, right-aligned
    EXPECT_EQ(at(62, 13), "0000000123450");
    EXPECT_EQ(at(75, 20), "00000126000123456789");
    EXPECT_EQ(at(106, 3), "006");
    EXPECT_EQ(at(127, 2), "  ");

    const std::string& e = credit[2];
    EXPECT_EQ(e.substr(17, 2), "00");   // a zero bank code
    EXPECT_EQ(e.substr(19, 3), "000");  // an empty branch
    EXPECT_EQ(e.substr(26, 9), "000012345");
    EXPECT_EQ(e.substr(36, 9), "000000000");  // "x"
    EXPECT_EQ(e.substr(61, 13), "0000000000050");
    EXPECT_EQ(e.substr(74, 20), "00000000000000012345");  // "0" + "" + "12345"

    std::vector<std::string> collection =
        Lines(BuildFile(Input(Variant::Collection, rows)).value());
    EXPECT_EQ(collection[1].substr(45, 16), "     dtL .lieN'O");  // unchanged name, reversed
    EXPECT_EQ(collection[1].substr(105, 3), "504");
}

TEST(MasavFile, HeaderAndTrailer) {
    std::vector<Row> rows = {{"a", "1", "12", "600", "1", "1234.5"},
                             {"b", "1", "12", "600", "1", "0.5"}};
    std::vector<std::string> credit = Lines(BuildFile(Input(Variant::Credit, rows)).value());
    EXPECT_EQ(credit[0].substr(0, 39),
              "K1234567800261207000102612075432100000"
              "0");
    EXPECT_EQ(credit[0].substr(125, 3), "KOT");
    EXPECT_EQ(credit[3].substr(0, 65),
              "51234567800261207000100000000012350000000000000000000000020000000");
    std::vector<std::string> collection =
        Lines(BuildFile(Input(Variant::Collection, rows)).value());
    EXPECT_EQ(collection[0].substr(125, 3), "kot");
    EXPECT_EQ(collection[3].substr(0, 65),
              "51234567800261207000100000000000000000000000012350000000000000002");
    EXPECT_EQ(credit[3].substr(65), std::string(63, ' '));
}

TEST(MasavFile, NamesOfBothVariants) {
    const std::string twenty = "אבגדהוזחטיכלמנסעפצקר";  // twenty letters
    std::vector<Row> rows = {{twenty, "1", "12", "600", "1", "1"}};
    std::string credit_name =
        Lines(BuildFile(Input(Variant::Credit, rows)).value())[1].substr(45, 16);
    std::string collection_name =
        Lines(BuildFile(Input(Variant::Collection, rows)).value())[1].substr(45, 16);
    // Credit keeps the first sixteen letters, collection the last sixteen; both reversed.
    EXPECT_EQ(credit_name, ToOldHebrewCode("אבגדהוזחטיכלמנסע"));
    EXPECT_EQ(collection_name, ToOldHebrewCode("הוזחטיכלמנסעפצקר"));
}

TEST(MasavFile, RefusesWhatCannotBeWritten) {
    struct Case {
        std::vector<Row> rows;
        ValueDate date;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{{"a", "1", "12", "600", "1", ""}}, {7, 12, 2026}, "הסכום בתנועה 1 אינו מספר: \"\""},
        {{{"a", "1", "12", "600", "1", "1"}, {"b", "1", "12", "600", "1", "12abc"}},
         {7, 12, 2026},
         "הסכום בתנועה 2 אינו מספר: \"12abc\""},
        {{{"a", "1", "12", "600", "1", "1e308"}, {"b", "1", "12", "600", "1", "1e308"}},
         {7, 12, 2026},
         "הסכום בתנועה 1 גדול מדי לשדה: \"1e308\""},
        {{{"a", "1", "12", "600", "1", "-5"}}, {7, 12, 2026}, "הסכום בתנועה 1 שלילי: \"-5\""},
        {{{"a", "1", "12", "600", "1", "1"}}, {31, 2, 2026}, "תאריך הערך אינו תאריך תקין"},
        {{{"a", "1", "12", "600", "1", "1"}}, {1, 1, 26}, "תאריך הערך אינו תאריך תקין"},
        // No number field is ever cut: a value whose digits do not fit refuses the file.
        {{{"a", "1", "12", "600", "1", "1"}, {"b", "1234567890", "12", "600", "1", "1"}},
         {7, 12, 2026},
         "בתנועה 2 (שורה 3 בגיליון) מספר הזהות (1234567890) ארוך מ-9 ספרות; יש לתקן את "
         "החוברת ולקלוט אותה מחדש"},
        {{{"a", "1", "12", "600", "1234567890", "1"}},
         {7, 12, 2026},
         "בתנועה 1 (שורה 2 בגיליון) מספר החשבון (1234567890) ארוך מ-9 ספרות; יש לתקן את "
         "החוברת ולקלוט אותה מחדש"},
        {{{"a", "1", "12", "1234", "1", "1"}},
         {7, 12, 2026},
         "בתנועה 1 (שורה 2 בגיליון) מספר הסניף (1234) ארוך מ-3 ספרות; יש לתקן את החוברת "
         "ולקלוט אותה מחדש"},
        {{{"a", "1", "120", "600", "1", "1"}},
         {7, 12, 2026},
         "בתנועה 1 (שורה 2 בגיליון) קוד הבנק (120) ארוך מ-2 ספרות; יש לתקן את החוברת "
         "ולקלוט אותה מחדש"},
        {{{"a", "1", "12", "600", "12-34", "1"}},
         {7, 12, 2026},
         "בתנועה 1 (שורה 2 בגיליון) מספר החשבון (12-34) אינו מספר; יש לתקן את החוברת "
         "ולקלוט אותה מחדש"},
        {{{"a", "1", "12", "600", "1", "100000000000"}},
         {7, 12, 2026},
         "הסכום בתנועה 1 גדול מדי לשדה: \"100000000000\""},
    };
    for (const Case& c : cases) {
        FileInput in = Input(Variant::Credit, c.rows);
        in.date = c.date;
        Result<std::string> file = BuildFile(in);
        ASSERT_FALSE(file.ok());
        EXPECT_EQ(file.error().code, ErrorCode::BadInput);
        EXPECT_EQ(file.error().message, c.message);
    }
}

TEST(MasavFile, ControlCharactersNeverSplitARecord) {
    std::vector<Row> rows = {{"a\nb\rc\td", "1", "12", "600", "1", "1"}};
    for (Variant v : {Variant::Credit, Variant::Collection}) {
        std::string file = BuildFile(Input(v, rows)).value();
        EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 4);
        EXPECT_EQ(std::count(file.begin(), file.end(), '\t'), 0);
    }
}

// The file read back is held against what was meant to be written; a difference names itself
// and the file is not kept.
TEST(MasavFile, ReadBackCheckNamesWhatDiffers) {
    const std::string file = BuildFile(Input(Variant::Credit, kHebrewRows)).value();
    const ReadFile read = ReadMasavFile(file).value();
    struct Case {
        const char* what;  // empty: the same data
        std::function<void(FileInput&, std::vector<Row>&)> change;
    };
    const std::vector<Case> cases = {
        {"", [](FileInput&, std::vector<Row>&) {}},
        {"", [](FileInput&, std::vector<Row>& r) { r[3].id = "18"; }},  // the same once fitted
        {"", [](FileInput&, std::vector<Row>& r) { r[1].account = " 00000001002 "; }},
        {"תנועה 2, חשבון", [](FileInput&, std::vector<Row>& r) { r[1].account = "10002"; }},
        {"תנועה 2, חשבון", [](FileInput&, std::vector<Row>& r) { r[1].account = "1002 x"; }},
        {"סוג הקובץ", [](FileInput& in, std::vector<Row>&) { in.variant = Variant::Collection; }},
        {"קוד המוסד או קוד התוכנה",
         [](FileInput& in, std::vector<Row>&) { in.institution.code = "12345679"; }},
        {"קוד המוסד או קוד התוכנה",
         [](FileInput& in, std::vector<Row>&) { in.institution.software_code = "54322"; }},
        {"תאריך הערך", [](FileInput& in, std::vector<Row>&) { in.date.day = 8; }},
        {"מספר התנועות", [](FileInput&, std::vector<Row>& r) { r.pop_back(); }},
        {"תנועה 2, זהות", [](FileInput&, std::vector<Row>& r) { r[1].id = "26"; }},
        {"תנועה 1, חשבון", [](FileInput&, std::vector<Row>& r) { r[0].bank = "13"; }},
        {"תנועה 3, חשבון", [](FileInput&, std::vector<Row>& r) { r[2].account = "100010"; }},
        {"תנועה 4, סכום", [](FileInput&, std::vector<Row>& r) { r[3].amount = "1250.01"; }},
        {"תנועה 1, סכום", [](FileInput&, std::vector<Row>& r) { r[0].amount = "x"; }},
    };
    for (const Case& c : cases) {
        std::vector<Row> rows = kHebrewRows;
        FileInput in = Input(Variant::Credit, rows);
        c.change(in, rows);
        in.rows = rows;
        Status s = CompareWithInput(read, in);
        if (std::string(c.what).empty()) {
            EXPECT_TRUE(s.ok()) << s.error().message;
            continue;
        }
        ASSERT_FALSE(s.ok()) << c.what;
        EXPECT_EQ(s.error().message,
                  std::string("הקובץ שנכתב אינו תואם את הנתונים (") + c.what + "); הוא לא נשמר");
    }
}

TEST(PrepareCreditName, TrimsRemovesMarksAndCuts) {
    EXPECT_EQ(PrepareCreditName("  O'Neil. Ltd  "), "ONeil Ltd");
    EXPECT_EQ(PrepareCreditName("abcdefghijklmnopqrst"), "abcdefghijklmnop");
    EXPECT_EQ(PrepareCreditName("'.'."), "");
    EXPECT_EQ(PrepareCollectionName("  O'Neil. "), "  O'Neil. ");
}

}  // namespace
}  // namespace zivron::masav
