#include "pages.h"

#include <charconv>
#include <thread>

#include "core/utf8.h"
#include "text/hebrew.h"

namespace zivron::service {
namespace {

constexpr std::size_t kMaxQuery = 4096;
constexpr std::size_t kMaxPairs = 32;
constexpr std::size_t kMaxName = 200;
constexpr std::size_t kMaxCode = 16;

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
        if (f->find_first_of("*+") != std::string::npos) {
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
        out.emplace_back(FromWindows1255(key), FromWindows1255(bytes));
        if (out.size() > kMaxPairs) {
            return false;
        }
        at = amp + 1;
    }
    return true;
}

std::chrono::milliseconds GuessBrake::Miss(const std::string& client) {
    constexpr int kFree = 20;
    std::lock_guard<std::mutex> lock(mu_);
    auto now = std::chrono::steady_clock::now();
    Window& w = windows_[client];
    if (now - w.start > std::chrono::minutes(1)) {
        w = {now, 0};
    }
    ++w.misses;
    if (windows_.size() > 10000) {
        windows_.clear();  // bounded memory; a flood of addresses starts over
    }
    return std::chrono::milliseconds(std::min(3000, std::max(0, w.misses - kFree) * 100));
}

Reply Pages::Handle(const std::string& page, std::string_view raw_query,
                    const std::string& client) {
    Pairs q;
    if (!ParseQuery(raw_query, q)) {
        return {400, "eject"};
    }
    if (page == "KoreSismaManuy.asp")
        return Login(q);
    if (page == "KoreMosadot.asp")
        return List(q);
    if (page == "KorePerateyMosad.asp")
        return Details(q, client);
    if (page == "HosefMosad.asp")
        return Add(q);
    if (page == "AdkenMosad.asp")
        return Update(q);
    if (page == "MehakMosad.asp")
        return Delete(q);
    if (page == "AdkenYomanPeilut.asp")
        return Log(q, client);
    return {404, ""};
}

Reply Pages::Login(const Pairs& q) {
    std::optional<Account> a = store_.Login(Get(q, "Mis"), Get(q, "Sis"));
    if (!a) {
        return Refuse();
    }
    // Field 1 the name, field 12 the number; the fields between are not used by the program.
    std::string record = a->email + "*" + a->name;
    for (int i = 2; i <= 11; ++i) {
        record += "*x";
    }
    return {200, record + "*" + a->number};
}

Reply Pages::List(const Pairs& q) {
    const std::string account = Get(q, "Mis");
    if (account.empty() || !store_.AccountExists(account)) {
        return {200, "exit"};
    }
    return {200, "0" + store_.ListReply(account)};  // record 0 is never an entry
}

Reply Pages::Details(const Pairs& q, const std::string& client) {
    std::int64_t number = 0;
    std::optional<Institution> i;
    if (ParseNumber(Get(q, "Mis"), number)) {
        i = store_.InstitutionByNumber(number);
    }
    if (!i) {
        std::this_thread::sleep_for(brake_.Miss(client));
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
    return store_.AddInstitution(inst) ? Reply{200, "ok"} : Refuse();
}

Reply Pages::Update(const Pairs& q) {
    Institution inst;
    if (!InstitutionFrom(q, inst) || !ParseNumber(Get(q, "Mis"), inst.number) ||
        !store_.AccountMatches(inst.account, Get(q, "FX"))) {
        return Refuse();
    }
    return store_.UpdateInstitution(inst) ? Reply{200, "ok"} : Refuse();
}

Reply Pages::Delete(const Pairs& q) {
    std::int64_t number = 0;
    const std::string account = Get(q, "IP1");
    if (!ParseNumber(Get(q, "Mis"), number) || !store_.AccountMatches(account, Get(q, "FX"))) {
        return Refuse();
    }
    return store_.DeleteInstitution(number, account) ? Reply{200, "ok"} : Refuse();
}

Reply Pages::Log(const Pairs& q, const std::string& client) {
    std::string pairs;
    for (const auto& [k, v] : q) {
        pairs += k + "=" + v + "\n";
    }
    return store_.LogActivity(pairs, client) ? Reply{200, "ok"} : Reply{500, ""};
}

}  // namespace zivron::service
