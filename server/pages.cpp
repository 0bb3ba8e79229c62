#include "pages.h"
#include "core/service_pages.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <memory>
#include <thread>

#include "core/utf8.h"
#include "text/hebrew.h"

namespace zivron::service {
namespace {

constexpr std::size_t kMaxQuery = 4096;
constexpr std::size_t kMaxPairs = 32;
constexpr std::size_t kMaxName = 200;
constexpr std::size_t kMaxCode = 16;
// Institutions a part of a list reply holds.
constexpr std::size_t kListPart = 64;

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const std::string* Find(const Pairs& q, std::string_view key) {
    for (const auto& [k, v] : q) {
        if (k == key) {
            return &v;
        }
    }
    return nullptr;
}

std::string Get(const Pairs& q, std::string_view key) {
    const std::string* v = Find(q, key);
    return v == nullptr ? std::string() : *v;
}

Reply Refuse() {
    return {200, "eject"};
}

// The client sends "x" for an empty name or credit code; it stays empty here and goes back as "x".
std::string Stored(const std::string& v) {
    return v == "x" ? std::string() : v;
}
std::string Shown(const std::string& v) {
    return v.empty() ? "x" : v;
}

bool ParseNumber(const std::string& s, std::int64_t& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && out > 0 && out <= 0x7FFFFFFF;
}

// The institution of an add or update, as sent; false when a field cannot be kept as it is
// (a list reply could not carry it).
bool InstitutionFrom(const Pairs& q, Institution& inst) {
    inst.name = Stored(Get(q, "MD"));
    inst.collection_code = Get(q, "RH");
    inst.collection_software = Get(q, "BA");
    inst.credit_code = Stored(Get(q, "YI"));
    inst.credit_software = Stored(Get(q, "TL"));
    inst.account = Get(q, "IP1");
    if (inst.name.empty() || utf8::Length(inst.name) > kMaxName) {
        return false;
    }
    for (const std::string* f : {&inst.name, &inst.collection_code, &inst.collection_software,
                                 &inst.credit_code, &inst.credit_software}) {
        if (f->find('*') != std::string::npos) {
            return false;
        }
    }
    for (const std::string* f : {&inst.collection_code, &inst.collection_software,
                                 &inst.credit_code, &inst.credit_software}) {
        if (f->size() > kMaxCode) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseQuery(std::string_view raw, Pairs& out) {
    out.clear();
    if (raw.size() > kMaxQuery) {
        return false;
    }
    std::size_t at = 0;
    while (at <= raw.size() && !raw.empty()) {
        std::size_t amp = raw.find('&', at);
        if (amp == std::string_view::npos) {
            amp = raw.size();
        }
        std::string_view pair = raw.substr(at, amp - at);
        std::size_t eq = pair.find('=');
        std::string_view key = pair.substr(0, eq);
        std::string_view value = eq == std::string_view::npos ? "" : pair.substr(eq + 1);
        std::string bytes;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '%') {
                int hi = i + 1 < value.size() ? Hex(value[i + 1]) : -1;
                int lo = i + 2 < value.size() ? Hex(value[i + 2]) : -1;
                if (hi < 0 || lo < 0) {
                    return false;
                }
                bytes.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
            } else {
                bytes.push_back(value[i]);  // "+" is a plus, as the program sends it
            }
        }
        // A control character (a line break that would forge a second log line, a NUL that
        // would cut a stored name) is no value the program sends.
        if (std::any_of(bytes.begin(), bytes.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return u < 32 || u == 127;
            })) {
            return false;
        }
        out.emplace_back(FromWindows1255(key), FromWindows1255(bytes));
        if (out.size() > kMaxPairs) {
            return false;
        }
        at = amp + 1;
    }
    return true;
}

Reply Pages::Handle(const std::string& page, std::string_view raw_query,
                    const std::string& client) {
    Pairs q;
    if (!ParseQuery(raw_query, q)) {
        return Refuse();  // a refusal the program can read, not an error page
    }
    if (page == service_page::kLogin)
        return Login(q, client);
    if (page == service_page::kInstitutions)
        return List(q, client);
    if (page == service_page::kInstitutionDetails)
        return Details(q, client);
    if (page == service_page::kAddInstitution)
        return Add(q);
    if (page == service_page::kUpdateInstitution)
        return Update(q, client);
    if (page == service_page::kDeleteInstitution)
        return Delete(q, client);
    if (page == service_page::kActivityLog)
        return Log(q, client);
    if (page == service_page::kBankEdition)
        return BankEdition(q);
    return {404, ""};
}

bool Pages::TrustedLogin(std::string_view raw_query, const std::string& client) {
    Pairs q;
    return ParseQuery(raw_query, q) && logins_.Trusted(Get(q, "Mis"), client);
}

Reply Pages::Login(const Pairs& q, const std::string& client) {
    const std::string email = Get(q, "Mis");
    if (logins_.Blocked(email, client)) {
        return Refuse();  // this pair is cooling down: the password is not even looked at
    }
    // Failures for the e-mail from anywhere slow its answer, on the login lane's own worker.
    std::this_thread::sleep_for(logins_.Delay(email, client));
    std::optional<Account> a = store_.Login(email, Get(q, "Sis"));
    if (!a) {
        logins_.Failed(email, client);
        return Refuse();
    }
    logins_.Succeeded(email, client);
    // Field 1 the name, field 12 the number; the fields between are not used by the program.
    std::string record = a->email + "*" + a->name;
    for (int i = 2; i <= 11; ++i) {
        record += "*x";
    }
    return {200, record + "*" + a->number};
}

Reply Pages::List(const Pairs& q, const std::string& client) {
    const std::string account = Get(q, "Mis");
    if (account.empty() || !store_.AccountExists(account)) {
        return {200, "exit"};
    }
    // The list goes a part at a time as the client reads it, so a thousand institutions asked
    // for by many who do not read cost no more than a part each. The first part is read here:
    // a store that cannot be read is refused plainly, before any of the answer goes.
    auto place = std::make_shared<Store::ListPlace>();
    auto next = [this, account, client, place]() -> std::optional<std::string> {
        std::vector<std::int64_t> numbers;
        std::optional<std::string> part = store_.ListPart(account, *place, kListPart, numbers);
        if (!part) {
            std::cerr << "zivron-service: " << service_page::kInstitutions << ": "
                      << Store::LastError() << std::endl;
            return std::nullopt;
        }
        // The numbers listed here may be asked for from this address whatever the brake says.
        brake_.Listed(client, numbers);
        return part;
    };
    std::optional<std::string> first = next();
    if (!first) {
        return Refuse();  // said on stderr already
    }
    Reply reply(200, "0" + *first);  // record 0 is never an entry
    if (!first->empty()) {
        reply.more = std::move(next);
    }
    return reply;
}

Reply Pages::Details(const Pairs& q, const std::string& client) {
    std::int64_t number = 0;
    if (!ParseNumber(Get(q, "Mis"), number)) {
        return Refuse();
    }
    // A number never listed here is a guess until it proves otherwise; past the budgets every
    // such guess is refused at once, found or not.
    if (!brake_.WasListed(client, number) && !brake_.Allowed(client)) {
        return Refuse();
    }
    // Its owner's alone: the account that asks names itself as the list request does, and any
    // other asker is answered as for a number that is not there, and counted as a guess.
    const std::string account = Get(q, "IP1");
    std::optional<Institution> i = store_.InstitutionByNumber(number);
    if (!i || i->account != account || !store_.AccountMatches(account, Get(q, "FX"))) {
        brake_.Miss(client);
        return Refuse();
    }
    return {200, std::to_string(i->number) + "*" + Shown(i->name) + "*" +
                     Shown(i->collection_code) + "*" + Shown(i->collection_software) + "*" +
                     Shown(i->credit_code) + "*" + Shown(i->credit_software)};
}

Reply Pages::Add(const Pairs& q) {
    Institution inst;
    if (!InstitutionFrom(q, inst) || !store_.AccountMatches(inst.account, Get(q, "FX"))) {
        return Refuse();
    }
    if (store_.AddInstitution(inst, limits_.max_institutions)) {
        return {200, "ok"};
    }
    return store_.LastError().empty() ? Refuse() : Failed(service_page::kAddInstitution);
}

Reply Pages::NotOwned(const std::string& client) {
    brake_.Miss(client);
    return Refuse();
}

Reply Pages::Update(const Pairs& q, const std::string& client) {
    Institution inst;
    if (!InstitutionFrom(q, inst) || !ParseNumber(Get(q, "Mis"), inst.number)) {
        return Refuse();
    }
    if (!brake_.WasListed(client, inst.number) && !brake_.Allowed(client)) {
        return Refuse();
    }
    if (!store_.AccountMatches(inst.account, Get(q, "FX"))) {
        return NotOwned(client);
    }
    if (store_.UpdateInstitution(inst)) {
        return {200, "ok"};
    }
    return store_.LastError().empty() ? NotOwned(client) : Failed(service_page::kUpdateInstitution);
}

Reply Pages::Delete(const Pairs& q, const std::string& client) {
    std::int64_t number = 0;
    const std::string account = Get(q, "IP1");
    if (!ParseNumber(Get(q, "Mis"), number)) {
        return Refuse();
    }
    if (!brake_.WasListed(client, number) && !brake_.Allowed(client)) {
        return Refuse();
    }
    if (!store_.AccountMatches(account, Get(q, "FX"))) {
        return NotOwned(client);
    }
    if (store_.DeleteInstitution(number, account)) {
        return {200, "ok"};
    }
    return store_.LastError().empty() ? NotOwned(client) : Failed(service_page::kDeleteInstitution);
}

// An entry is kept only for an existing account named as it is (the collection builder sends the
// name's first 49 characters), within the account's rate and the size of an entry.
Reply Pages::Log(const Pairs& q, const std::string& client) {
    const std::string account = Get(q, "MD1");
    std::optional<std::string> name = account.empty() ? std::nullopt : store_.AccountName(account);
    const std::string sent = Get(q, "MD");
    if (!name || (sent != *name && sent != utf8::Prefix(*name, 49))) {
        return Refuse();
    }
    std::string pairs;
    for (const auto& [k, v] : q) {
        pairs += k + "=" + v + "\n";
    }
    if (pairs.size() > limits_.max_log_entry || !LogAllowed(account)) {
        return Refuse();
    }
    return store_.LogActivity(pairs, client) ? Reply{200, "ok"}
                                             : Failed(service_page::kActivityLog);
}

bool Pages::LogAllowed(const std::string& account) {
    std::lock_guard<std::mutex> lock(log_mu_);
    const auto now = Clock::now();
    if (log_counts_.size() > 10000) {
        log_counts_.clear();
    }
    auto& [start, count] = log_counts_[account];
    if (now - start > std::chrono::minutes(1)) {
        start = now;
        count = 0;
    }
    return ++count <= limits_.log_per_minute;
}

Reply Pages::BankEdition(const Pairs& q) {
    const std::optional<std::string> encoded = store_.LastBankEditionEncoded();
    if (!encoded) {
        return Failed(service_page::kBankEdition);
    }
    if (encoded->empty()) {
        return {200, "none"};
    }
    if (Get(q, "get") == "1") {
        return {200, *encoded};
    }
    return {200, encoded->substr(0, encoded->find('\n'))};  // the date alone
}

Reply Pages::Failed(const std::string& page) {
    std::cerr << "zivron-service: " << page << ": " << store_.LastError() << std::endl;
    return Refuse();
}

}  // namespace zivron::service
