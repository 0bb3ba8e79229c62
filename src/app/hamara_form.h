#pragma once
// The main window as data, independent of any GUI: its controls are members named as the window
// names them, its handlers are methods, and it reaches the world only through the Port.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/service_link.h"
#include "core/result.h"
#include "import/import_step.h"
#include "masav/masav_file.h"
#include "masav/masav_reader.h"
#include "platform/port.h"
#include "run/run_record.h"

namespace zivron {

struct TextBox {
    std::string text;
    std::string tag;
};

struct CheckBox {
    int value = 0;  // 1 is ticked
    bool Ticked() const { return value == 1; }
};

struct ComboBox {
    std::vector<std::string> items;
    int selected = -1;
    std::string tag;
    std::string Text() const {
        return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected] : "";
    }
    void Select(const std::string& item);
};

struct Label {
    std::string caption;
    std::string tag;
};

struct ListBox {
    struct Entry {
        std::string text;
        long long data = 0;  // the item data: an InstitutionNumber
    };
    std::vector<Entry> items;
    int selected = -1;
};

struct Button {
    std::string caption;
    std::string tag;
    sheet::Rgb colour{};
    bool enabled = true;
};

// The institution panel's two modes and their colours.
inline constexpr sheet::Rgb kAddModeColour{255, 128, 128};
inline constexpr sheet::Rgb kEditModeColour{192, 255, 255};

// The vendor's name, and the title of most message boxes: the name, "-", the support line.
inline constexpr const char* kVendorName = "קדמור פיתוח יישומי מחשב";
inline constexpr const char* kVendorTitle = "קדמור פיתוח יישומי מחשב-03-5555555";

// Where each panel's values stand in TextGove, under the names of the institution record and
// the import summaries.
namespace box {
inline constexpr int CollectionInstitutionName = 0;
inline constexpr int CollectionMasavCode = 1;
inline constexpr int CollectionSoftwareCode = 2;
inline constexpr int CollectionTransactions = 3;
inline constexpr int CollectionTotal = 4;
inline constexpr int CreditInstitutionCode = 5;
inline constexpr int CreditSoftwareCode = 6;
inline constexpr int CreditInstitutionName = 7;
inline constexpr int CreditTotal = 8;
inline constexpr int CreditTransactions = 9;
inline constexpr int InstitutionName = 10;  // the institution panel; its tag the number
inline constexpr int CollectionTypingErrors = 11;
inline constexpr int CollectionInvalidAccounts = 12;
inline constexpr int CollectionInvalidIds = 13;
inline constexpr int CreditInvalidIds = 14;
inline constexpr int CreditInvalidAccounts = 15;
inline constexpr int CreditTypingErrors = 16;
}  // namespace box

// One panel's controls, whichever panel it is.
struct PanelControls {
    TextBox& name;
    TextBox& code;
    TextBox& software;
    TextBox& count;
    TextBox& total;
    TextBox& typing_errors;
    TextBox& invalid_accounts;
    TextBox& invalid_ids;
    CheckBox& fix;
    CheckBox& mark_accounts;
    CheckBox& mark_ids;
    CheckBox& detail;
    CheckBox& summary;
    CheckBox& current_rules;
    ComboBox& day;
    ComboBox& month;
    ComboBox& year;
};

// An institution as the list and its details reply give it.
struct InstitutionRecord {
    long long number = 0;
    std::string name;
    std::string collection_code;
    std::string collection_software;
    std::string credit_code;
    std::string credit_software;
};

class HamaraForm {
  public:
    static constexpr int kTableRows = 10001;
    static constexpr int kTableCols = 8;
    using TableRow = std::array<std::string, kTableCols>;

    explicit HamaraForm(Port& port);

    // Controls.
    std::array<TextBox, 17> TextGove;
    CheckBox Check1, Check2, Check5;  // collection import options
    CheckBox Check4, Check6, Check8;  // credit import options
    CheckBox Check3, Check7;          // credit archive options
    CheckBox Check9, Check10;         // collection archive options
    CheckBox Check11;                 // Leumi
    CheckBox Check12, Check13;        // current bank rules: credit, collection (clear at start)
    ComboBox Combo1, Combo2, Combo3;  // credit value date: year, month, day
    ComboBox Combo4, Combo5, Combo6;  // collection value date: year, month, day
    Label Label4{"טרם", ""};          // AccountName, tag AccountNumber
    Label Label12;                    // elapsed time of an import
    int ImportRow = 0;                // the sheet row the running import has reached
    int ImportRowsFound = 0;          // the data rows it found
    Label Label7;                     // the clock
    std::string Caption;
    std::string ArchivePath;  // the archive folder the last credit import chose
    ListBox List1;            // the account's institutions
    Button ComEditMosad{"קלוט מוסד", "ADD", kAddModeColour, true};
    Button ComMehakMosad{"מחק מוסד מהרשימה", "", {}, false};
    bool Timer1Enabled = true;  // the clock runs from the window's creation

    // The rows the last import marked, and why, for the window's list beside the workbook.
    std::vector<ImportMark> LastMarks;
    int ImportsCompleted = 0;

    // The transaction table: row n holds sheet row n + 2 of the last import.
    std::vector<TableRow> Table;

    // One panel's controls by name.
    PanelControls Controls(Panel panel);

    // An institution chosen: every box emptied, its name and codes in both panels and the
    // institution panel, its number in the name box's tag.
    void ChooseInstitution(const InstitutionRecord& institution);

    // A run of the panel's builder over the first `rows` transactions, as the controls hold it.
    RunRecord RunOf(Panel panel, int rows);

    // Handlers.
    void Command6_Click();           // credit import
    void Command9_Click();           // collection import
    void Command5_Click();           // credit builder
    void Commadddddddddnd8_Click();  // collection builder

    // The window's life: load (folders, value-date selectors, add mode), activation (the list and
    // the clock), the clock's tick, the month selectors, the archive buttons, exit.
    void Form_Load();
    void Form_Activate();
    void ZorTikZivron();
    void Timer1_Timer();
    void Combo1_Click();  // the credit value date's year
    void Combo2_Click();
    void Combo4_Click();  // the collection value date's year
    void Combo5_Click();
    void ComArhivZikuy_Click(int index);
    void Command285_Click();

    // Institutions on the web service.
    void ListAllMosadot();
    void List1_Click();
    void Command1_Click();
    void ComEditMosad_Click();
    void ComMehakMosad_Click();

    // Conversions to a workbook ("c:\Hamara.xls") and the base lists.
    void Command4_Click();         // a Masav file's names
    void excellmichpal_Click();    // a Michpal payroll export
    void Command8_Click();         // the base list of payees
    void ZorBasisCollect_Click();  // the base list of payers

    // "הצג קובץ מסב": a Masav file chosen in the conversions' dialog, read back whole. The window
    // shows what it holds, or its first fault, in a window of its own.
    struct MasavView {
        std::string path;
        std::optional<masav::ReadFile> file;
        std::string fault;  // empty when the file is whole
    };
    std::optional<MasavView> ShownMasavFile;
    void ShowMasav_Click();

    // Detail and summary workbooks of a run (paths as written, "C:\ZIVRON\...").
    Status ZorNewExel(const std::string& KovezArhiv, int LinNumber, Panel panel);
    Status ZorNewExelRikuz(const std::string& KovezArhiv, int LinNumber,
                           Panel panel = Panel::Credit);
    Status AdkenRikuzExel(const std::string& KovezArhiv, int LinNumber,
                          Panel panel = Panel::Credit);

    std::string ComputerName() { return port_.ComputerName(); }
    Port& port() { return port_; }
    ServiceLink& link() { return link_; }
    // What became of the last run's activity-log entry.
    std::optional<ServiceLink::LogFate> LastLogFate;

    // What filled the transaction table: the panel whose import did, its workbook and its rows.
    struct TableSource {
        Panel panel = Panel::Credit;
        std::string workbook;
        int rows = 0;
    };
    const std::optional<TableSource>& TableFilledBy() const { return table_source_; }

    // How many rows the last import filled; a builder never reads past them.
    int RowsImported() const { return table_source_ ? table_source_->rows : 0; }
    bool Importing() const { return importing_; }

  private:
    void Import(Panel panel);
    void FillTable(const std::vector<masav::Row>& rows, Panel panel, const std::string& workbook);
    void Build(Panel panel);
    int CheckedCount(Panel panel);
    bool AccountGuard();
    std::string InstitutionPairs() const;
    void Refresh();
    bool ValuesTravel();
    void FillDays(const ComboBox& month, const ComboBox& year, ComboBox& days);
    void FillMonths(const ComboBox& year, ComboBox& months);
    void YearChosen(const ComboBox& year, ComboBox& months, ComboBox& days);
    void BaseList(const char* path, const char* first, const char* second);

    Port& port_;
    ServiceLink link_{port_};
    std::optional<TableSource> table_source_;
    bool importing_ = false;
};

}  // namespace zivron
