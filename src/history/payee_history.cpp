#include "history/payee_history.h"

#include <sys/stat.h>

#include "core/user_folder.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// One row a payment, kept in the order the guard reads it: an institution's variant, a payee,
// newest last. Without a rowid the key is the table, which keeps a year of weekly runs small.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS payments ("
    " institution TEXT NOT NULL, variant INTEGER NOT NULL, identity TEXT NOT NULL,"
    " value_date INTEGER NOT NULL, run INTEGER NOT NULL, line INTEGER NOT NULL,"
    " name TEXT NOT NULL, bank TEXT NOT NULL, branch TEXT NOT NULL, account TEXT NOT NULL,"
    " agorot INTEGER NOT NULL,"
    " PRIMARY KEY (institution, variant, identity, value_date, run, line)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS runs (run INTEGER PRIMARY KEY);";

constexpr const char* kColumns =
    "institution, variant, value_date, identity, name, bank, branch, account, agorot, run";

int DateKey(const masav::ValueDate& d) {
    return d.year * 10000 + d.month * 100 + d.day;
}

masav::ValueDate DateOf(long long key) {
    return {static_cast<int>(key % 100), static_cast<int>(key / 100 % 100),
            static_cast<int>(key / 10000)};
}

std::string Text(sqlite3_stmt* q, int col) {
    const unsigned char* t = sqlite3_column_text(q, col);
    return t == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(t));
}

void BindText(sqlite3_stmt* q, int i, const std::string& v) {
    sqlite3_bind_text(q, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

PastPayment PaymentOf(sqlite3_stmt* q) {
    return {Text(q, 0),
            sqlite3_column_int(q, 1) == 0 ? masav::Variant::Credit : masav::Variant::Collection,
            DateOf(sqlite3_column_int64(q, 2)),
            Text(q, 3),
            Text(q, 4),
            Text(q, 5),
            Text(q, 6),
            Text(q, 7),
            sqlite3_column_int64(q, 8),
            sqlite3_column_int64(q, 9)};
}

}  // namespace

std::string IdentityKey(const std::string& id) {
    return PadLeftWithZeros(Trim(id), 9);
}

std::string AccountKey(const masav::Row& row) {
    return PadLeftWithZeros(Trim(row.bank), 2) + "-" + PadLeftWithZeros(Trim(row.branch), 3) + "-" +
           PadLeftWithZeros(Trim(row.account), 9);
}

std::filesystem::path PayeeHistory::DefaultPath() {
    return UserDataFolder() / "history.sqlite";
}

Result<PayeeHistory> PayeeHistory::Open(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    // Created owner-only: it holds who was paid how much, and into which account.
    const mode_t old = ::umask(077);
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    ::umask(old);
    PayeeHistory history(db);
    if (rc != SQLITE_OK) {
        return Error{ErrorCode::IoFailure, "לא ניתן לפתוח את היסטוריית התשלומים " + file.string()};
    }
    // A year of history is read at every review: mapped, it is read from the page cache without
    // a copy.
    sqlite3_exec(db, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        return history.Failed("לא ניתן לקרוא את היסטוריית התשלומים");
    }
    return history;
}

Error PayeeHistory::Failed(const char* what) const {
    return Error{ErrorCode::IoFailure, std::string(what) + " (" + sqlite3_errmsg(db_.get()) + ")"};
}

Status PayeeHistory::Record(const std::string& institution, masav::Variant variant,
                            const masav::ValueDate& value_date, std::span<const masav::Row> rows) {
    std::vector<PastPayment> payments;
    payments.reserve(rows.size());
    for (const masav::Row& row : rows) {
        const std::optional<double> amount = RegionalNumber(row.amount);
        payments.push_back({institution, variant, value_date, IdentityKey(row.id), row.name,
                            PadLeftWithZeros(Trim(row.bank), 2),
                            PadLeftWithZeros(Trim(row.branch), 3),
                            PadLeftWithZeros(Trim(row.account), 9),
                            amount ? AgorotOf(*amount).value_or(0) : 0, 0});
    }
    return Record(payments);
}

Status PayeeHistory::Record(const std::vector<PastPayment>& payments) {
    sqlite3* db = db_.get();
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return Failed("לא ניתן לכתוב את היסטוריית התשלומים");
    }
    struct Rollback {
        sqlite3* db;
        bool done = false;
        ~Rollback() {
            if (!done) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            }
        }
    } rollback{db};
    if (sqlite3_exec(db, "INSERT INTO runs DEFAULT VALUES", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        return Failed("לא ניתן לכתוב את היסטוריית התשלומים");
    }
    const sqlite3_int64 run = sqlite3_last_insert_rowid(db);
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO payments (institution, variant, value_date, identity, name,"
                       " bank, branch, account, agorot, run, line)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, Closer> insert(raw);
    int line = 0;
    for (const PastPayment& p : payments) {
        sqlite3_stmt* q = insert.get();
        BindText(q, 1, p.institution);
        sqlite3_bind_int(q, 2, p.variant == masav::Variant::Credit ? 0 : 1);
        sqlite3_bind_int(q, 3, DateKey(p.value_date));
        BindText(q, 4, p.identity);
        BindText(q, 5, p.name);
        BindText(q, 6, p.bank);
        BindText(q, 7, p.branch);
        BindText(q, 8, p.account);
        sqlite3_bind_int64(q, 9, p.agorot);
        sqlite3_bind_int64(q, 10, run);
        sqlite3_bind_int(q, 11, line++);
        if (q == nullptr || sqlite3_step(q) != SQLITE_DONE) {
            return Failed("לא ניתן לכתוב את היסטוריית התשלומים");
        }
        sqlite3_reset(q);
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return Failed("לא ניתן לכתוב את היסטוריית התשלומים");
    }
    rollback.done = true;
    return Ok();
}

PayeeHistory::Reading::Reading(PayeeHistory& history)
    : db_(history.db_.get()),
      began_(sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) {}

PayeeHistory::Reading::~Reading() {
    if (began_) {
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    }
}

Result<std::vector<PastPayment>> PayeeHistory::Recent(const std::string& institution,
                                                      masav::Variant variant,
                                                      const std::string& identity, int at_most) {
    if (!recent_) {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db_.get(),
                           "SELECT value_date, bank, branch, account, agorot, run"
                           " FROM payments WHERE institution = ? AND variant = ? AND identity = ?"
                           " ORDER BY value_date DESC, run DESC, line DESC LIMIT ?",
                           -1, &raw, nullptr);
        recent_.reset(raw);
    }
    sqlite3_stmt* q = recent_.get();
    if (q == nullptr) {
        return Failed("לא ניתן לקרוא את היסטוריית התשלומים");
    }
    sqlite3_reset(q);
    // The texts outlive the query: bound without a copy.
    sqlite3_bind_text(q, 1, institution.data(), static_cast<int>(institution.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int(q, 2, variant == masav::Variant::Credit ? 0 : 1);
    sqlite3_bind_text(q, 3, identity.data(), static_cast<int>(identity.size()), SQLITE_STATIC);
    sqlite3_bind_int(q, 4, at_most);
    std::vector<PastPayment> out;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
        PastPayment& p = out.emplace_back();
        p.variant = variant;
        p.value_date = DateOf(sqlite3_column_int64(q, 0));
        p.bank = Text(q, 1);
        p.branch = Text(q, 2);
        p.account = Text(q, 3);
        p.agorot = sqlite3_column_int64(q, 4);
        p.run = sqlite3_column_int64(q, 5);
    }
    if (rc != SQLITE_DONE) {
        return Failed("לא ניתן לקרוא את היסטוריית התשלומים");
    }
    return out;
}

Result<std::vector<PastPayment>> PayeeHistory::PaymentsTo(const std::string& identity) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db_.get(),
                       (std::string("SELECT ") + kColumns +
                        " FROM payments WHERE identity = ? ORDER BY value_date, run, line")
                           .c_str(),
                       -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, Closer> q(raw);
    if (!q) {
        return Failed("לא ניתן לקרוא את היסטוריית התשלומים");
    }
    BindText(q.get(), 1, IdentityKey(identity));
    std::vector<PastPayment> out;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
        out.push_back(PaymentOf(q.get()));
    }
    if (rc != SQLITE_DONE) {
        return Failed("לא ניתן לקרוא את היסטוריית התשלומים");
    }
    return out;
}

Status PayeeHistory::Erase(const std::optional<std::string>& institution) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(
        db_.get(),
        institution ? "DELETE FROM payments WHERE institution = ?" : "DELETE FROM payments", -1,
        &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, Closer> q(raw);
    if (q && institution) {
        BindText(q.get(), 1, *institution);
    }
    if (!q || sqlite3_step(q.get()) != SQLITE_DONE) {
        return Failed("לא ניתן למחוק את היסטוריית התשלומים");
    }
    // Erased means gone from the disk too, not only unlinked in the file.
    sqlite3_exec(db_.get(), "VACUUM", nullptr, nullptr, nullptr);
    return Ok();
}

}  // namespace zivron
