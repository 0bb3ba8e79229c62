#include "store.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace zivron::service {
namespace {

struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt& Bind(int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& Bind(int i, std::int64_t v) {
        sqlite3_bind_int64(s, i, v);
        return *this;
    }
    // A row; false at the end, or on a fault (`failed`): a row that cannot be read is never
    // taken for the end of a list.
    bool Row() {
        const int rc = s == nullptr ? SQLITE_ERROR : sqlite3_step(s);
        failed = failed || (rc != SQLITE_ROW && rc != SQLITE_DONE);
        return rc == SQLITE_ROW;
    }
    bool failed = false;
    bool Done() { return s != nullptr && sqlite3_step(s) == SQLITE_DONE; }
    std::string Text(int col) {
        const unsigned char* t = sqlite3_column_text(s, col);
        return t == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(t));
    }
    std::int64_t Int(int col) { return sqlite3_column_int64(s, col); }
};

std::string RandomDigits(int n) {
    std::string out;
    while (static_cast<int>(out.size()) < n) {
        std::uint32_t d = randombytes_uniform(10);
        if (out.empty() && d == 0) {
            continue;  // a leading zero would make the number shorter than it looks
        }
        out.push_back(static_cast<char>('0' + d));
    }
    return out;
}

Institution FromRow(Stmt& q) {
    return {q.Int(0), q.Text(1), q.Text(2), q.Text(3), q.Text(4), q.Text(5), q.Text(6)};
}

constexpr const char* kInstitutionColumns =
    "number, account, name, collection_code, collection_software, credit_code, credit_software";

}  // namespace

static thread_local std::string t_last_error;

std::optional<std::string> Store::Open(const std::string& path, Store& out, bool may_create) {
    if (sodium_init() < 0) {
        return "libsodium cannot start";
    }
    // SQLite takes ":memory:" and other names beginning with ":" for no file at all: the
    // accounts would be gone at the next start.
    if (path.empty() || path[0] == ':') {
        return "a database is a file: \"" + path + "\" is not a file's name";
    }
    struct stat st {};
    if (!may_create && ::stat(path.c_str(), &st) != 0) {
        return "no database at " + path;
    }
    // Account numbers are secrets of their owners: the file (and the WAL and shared-memory files
    // SQLite makes with its mode) is the service user's alone.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return "cannot open database " + path;
    }
    ::fchmod(fd, 0600);
    ::close(fd);
    char dummy[crypto_pwhash_STRBYTES];
    unsigned char random[16];
    randombytes_buf(random, sizeof random);
    if (crypto_pwhash_str(dummy, reinterpret_cast<const char*>(random), sizeof random,
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return "out of memory while hashing";
    }
    out.dummy_hash_ = dummy;
    if (sqlite3_open_v2(path.c_str(), &out.db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        return "cannot open database " + path;
    }
    sqlite3_busy_timeout(out.db_, 5000);
    // A damaged file is refused whole, never served in part.
    if (std::string fault = out.Check(true); fault != "ok") {
        return "the database " + path + " is damaged (" + fault +
               "); restore it from a backup (zivron-service backup)";
    }
    const char* schema[] = {
        "PRAGMA journal_mode=WAL",
        // In WAL mode a commit is in the log before it is answered: a killed process loses
        // nothing committed (only a power cut could take the last ones).
        "PRAGMA synchronous=NORMAL",
        "PRAGMA foreign_keys=ON",
        "CREATE TABLE IF NOT EXISTS accounts (email TEXT PRIMARY KEY, name TEXT NOT NULL,"
        " password_hash TEXT NOT NULL, number TEXT NOT NULL UNIQUE)",
        "CREATE TABLE IF NOT EXISTS institutions (number INTEGER PRIMARY KEY,"
        " account TEXT NOT NULL REFERENCES accounts(number), name TEXT NOT NULL,"
        " collection_code TEXT NOT NULL, collection_software TEXT NOT NULL,"
        " credit_code TEXT NOT NULL, credit_software TEXT NOT NULL, added_at TEXT NOT NULL)",
        "CREATE INDEX IF NOT EXISTS institutions_by_account ON institutions(account, added_at)",
        "CREATE TABLE IF NOT EXISTS activity (id INTEGER PRIMARY KEY, received_at TEXT NOT NULL,"
        " client TEXT NOT NULL, pairs TEXT NOT NULL)",
        // Editions of the bank and branch lists; the last is the one handed out, kept encoded
        // as it goes on the wire.
        "CREATE TABLE IF NOT EXISTS bank_editions (id INTEGER PRIMARY KEY, date TEXT NOT NULL,"
        " banks TEXT NOT NULL, branches TEXT NOT NULL, encoded TEXT NOT NULL)",
    };
    for (const char* sql : schema) {
        if (!out.Exec(sql)) {
            return std::string("cannot prepare database: ") + sqlite3_errmsg(out.db_);
        }
    }
    return std::nullopt;
}

Store::~Store() {
    if (db_ != nullptr) {
        sqlite3_close(db_);
    }
}

bool Store::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::string> Store::AddAccount(const std::string& email, const std::string& name,
                                             const std::string& password, Account& created) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return "out of memory while hashing the password";
    }
    std::lock_guard<std::mutex> lock(mu_);
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string number = RandomDigits(15);
        Stmt q(db_,
               "INSERT INTO accounts (email, name, password_hash, number) VALUES (?, ?, ?, ?)");
        if (q.Bind(1, email).Bind(2, name).Bind(3, std::string(hash)).Bind(4, number).Done()) {
            created = {email, name, number};
            return std::nullopt;
        }
        Stmt exists(db_, "SELECT 1 FROM accounts WHERE email = ?");
        if (exists.Bind(1, email).Row()) {
            return "an account with this e-mail exists";
        }
    }
    return std::string("cannot add the account: ") + sqlite3_errmsg(db_);
}

std::optional<std::vector<Account>> Store::Accounts() {
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<Account> out;
    Stmt q(db_, "SELECT email, name, number FROM accounts ORDER BY email");
    while (q.Row()) {
        out.push_back({q.Text(0), q.Text(1), q.Text(2)});
    }
    if (q.failed) {
        t_last_error = sqlite3_errmsg(db_);
        return std::nullopt;
    }
    return out;
}

std::string Store::Check(bool quick) {
    Stmt q(db_, quick ? "PRAGMA quick_check" : "PRAGMA integrity_check");
    std::string out;
    while (q.Row()) {
        out += (out.empty() ? "" : "; ") + q.Text(0);
    }
    if (q.failed) {
        return sqlite3_errmsg(db_);
    }
    return out;
}

std::optional<std::string> Store::Backup(const std::string& to) {
    if (to.empty() || to[0] == ':') {
        return "a backup is a file: \"" + to + "\" is not a file's name";
    }
    const std::string temporary = to + ".partial";
    sqlite3* target = nullptr;
    if (sqlite3_open_v2(temporary.c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(target);
        return "cannot write " + temporary;
    }
    // SQLite's online backup: a consistent copy while the service goes on answering.
    sqlite3_backup* b = sqlite3_backup_init(target, "main", db_, "main");
    const int rc = b == nullptr ? SQLITE_ERROR : sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
    const std::string why = sqlite3_errmsg(target);
    sqlite3_close(target);
    if (rc != SQLITE_DONE || std::rename(temporary.c_str(), to.c_str()) != 0) {
        std::remove(temporary.c_str());
        return "the backup failed: " + why;
    }
    return std::nullopt;
}

std::optional<Account> Store::Login(const std::string& email, const std::string& password) {
    std::string hash;
    Account a;
    {
        std::lock_guard<std::mutex> lock(mu_);
        Stmt q(db_, "SELECT name, number, password_hash FROM accounts WHERE email = ?");
        if (q.Bind(1, email).Row()) {
            a = {email, q.Text(0), q.Text(1)};
            hash = q.Text(2);
        }
    }
    if (hash.empty()) {
        // The same work as a wrong password, so the answer's time does not tell who has an account.
        if (crypto_pwhash_str_verify(dummy_hash_.c_str(), password.data(), password.size()) == 0) {
            return std::nullopt;  // a random password of 16 bytes: never typed
        }
        return std::nullopt;
    }
    // Verified outside the lock: it is slow on purpose.
    if (crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0) {
        return std::nullopt;
    }
    return a;
}

bool Store::AccountMatches(const std::string& number, const std::string& name) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "SELECT 1 FROM accounts WHERE number = ? AND name = ?");
    return q.Bind(1, number).Bind(2, name).Row();
}

std::optional<std::string> Store::AccountName(const std::string& number) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "SELECT name FROM accounts WHERE number = ?");
    if (!q.Bind(1, number).Row()) {
        return std::nullopt;
    }
    return q.Text(0);
}

const std::string& Store::LastError() {
    return t_last_error;
}

bool Store::Wrote(bool done) {
    t_last_error = done ? "" : sqlite3_errmsg(db_);
    return done;
}

bool Store::AccountExists(const std::string& number) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "SELECT 1 FROM accounts WHERE number = ?");
    return q.Bind(1, number).Row();
}

std::optional<banks::Edition> Store::LastBankEdition() {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "SELECT date, banks, branches FROM bank_editions ORDER BY id DESC LIMIT 1");
    if (!q.Row()) {
        return std::nullopt;
    }
    return banks::Edition{q.Text(0), q.Text(1), q.Text(2)};
}

std::optional<std::string> Store::LastBankEditionEncoded() {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "SELECT encoded FROM bank_editions ORDER BY id DESC LIMIT 1");
    if (!q.Row()) {
        return q.failed ? std::nullopt : std::optional<std::string>("");
    }
    return q.Text(0);
}

bool Store::AddBankEdition(const banks::Edition& e) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "INSERT INTO bank_editions (date, banks, branches, encoded) VALUES (?, ?, ?, ?)");
    q.Bind(1, e.date).Bind(2, e.banks_tsv).Bind(3, e.branches_tsv).Bind(4, banks::EncodeEdition(e));
    return Wrote(q.Done());
}

std::optional<std::string> Store::ListPart(const std::string& account, ListPlace& place,
                                           std::size_t count, std::vector<std::int64_t>& numbers) {
    std::lock_guard<std::mutex> lock(mu_);
    std::string out;
    // Each part a query of its own, from where the last ended: a reply that is read slowly
    // holds no statement, no snapshot and no more than one part.
    Stmt q(db_,
           "SELECT name, number, added_at, rowid FROM institutions WHERE account = ?"
           " AND (added_at, rowid) > (?, ?) ORDER BY added_at, rowid LIMIT ?");
    q.Bind(1, account).Bind(2, place.added_at).Bind(3, place.row);
    q.Bind(4, static_cast<std::int64_t>(count));
    while (q.Row()) {
        out += '+';
        // "+" parts the records: a name carries it, and "%", percent-encoded.
        for (const char* c = reinterpret_cast<const char*>(sqlite3_column_text(q.s, 0)); *c; ++c) {
            out += *c == '+' ? "%2B" : *c == '%' ? "%25" : std::string(1, *c);
        }
        out += '*';
        out += std::to_string(q.Int(1));
        numbers.push_back(q.Int(1));
        place = {q.Text(2), q.Int(3)};
    }
    if (q.failed) {
        t_last_error = sqlite3_errmsg(db_);
        return std::nullopt;
    }
    return out;
}

std::optional<Institution> Store::InstitutionByNumber(std::int64_t number) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_,
           (std::string("SELECT ") + kInstitutionColumns + " FROM institutions WHERE number = ?")
               .c_str());
    if (!q.Bind(1, number).Row()) {
        return std::nullopt;
    }
    return FromRow(q);
}

std::optional<std::int64_t> Store::AddInstitution(const Institution& inst, std::size_t most) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt held(db_, "SELECT count(*) FROM institutions WHERE account = ?");
    if (!held.Bind(1, inst.account).Row() || held.Int(0) >= static_cast<std::int64_t>(most)) {
        t_last_error.clear();  // a refusal, not a fault of the disk
        return std::nullopt;
    }
    const auto now = std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Numbers are random: the details page names nothing but the number.
        std::int64_t number = 1 + static_cast<std::int64_t>(randombytes_uniform(0x7FFFFFFF));
        Stmt q(db_,
               "INSERT INTO institutions (number, account, name, collection_code,"
               " collection_software, credit_code, credit_software, added_at)"
               " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        q.Bind(1, number).Bind(2, inst.account).Bind(3, inst.name).Bind(4, inst.collection_code);
        q.Bind(5, inst.collection_software).Bind(6, inst.credit_code).Bind(7, inst.credit_software);
        q.Bind(8, std::string(20 - std::min<std::size_t>(20, now.size()), '0') + now);
        if (Wrote(q.Done())) {
            return number;
        }
        if (sqlite3_errcode(db_) != SQLITE_CONSTRAINT) {
            return std::nullopt;  // the disk, not a taken number
        }
    }
    return std::nullopt;
}

bool Store::UpdateInstitution(const Institution& inst) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_,
           "UPDATE institutions SET name = ?, collection_code = ?, collection_software = ?,"
           " credit_code = ?, credit_software = ? WHERE number = ? AND account = ?");
    q.Bind(1, inst.name).Bind(2, inst.collection_code).Bind(3, inst.collection_software);
    q.Bind(4, inst.credit_code).Bind(5, inst.credit_software).Bind(6, inst.number);
    q.Bind(7, inst.account);
    return Wrote(q.Done()) && sqlite3_changes(db_) == 1;
}

bool Store::DeleteInstitution(std::int64_t number, const std::string& account) {
    std::lock_guard<std::mutex> lock(mu_);
    Stmt q(db_, "DELETE FROM institutions WHERE number = ? AND account = ?");
    q.Bind(1, number).Bind(2, account);
    return Wrote(q.Done()) && sqlite3_changes(db_) == 1;
}

bool Store::LogActivity(const std::string& pairs, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char when[32];
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &tm);
    Stmt q(db_, "INSERT INTO activity (received_at, client, pairs) VALUES (?, ?, ?)");
    return Wrote(q.Bind(1, std::string(when)).Bind(2, client).Bind(3, pairs).Done());
}

}  // namespace zivron::service
