#pragma once
// The pages of the service, one function a page, over the store. Queries arrive as Windows-1255
// bytes, raw or percent-encoded; replies are UTF-8 here and Windows-1255 on the wire.

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "guards.h"
#include "store.h"

namespace zivron::service {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The pairs of a raw query, decoded to UTF-8; false when it is malformed (a bad escape, too
// long, too many pairs).
bool ParseQuery(std::string_view raw, Pairs& out);

struct Reply {
    Reply(int status_code, std::string text) : status(status_code), body(std::move(text)) {}
    int status = 200;
    std::string body;  // UTF-8
    // A reply not built whole: its parts after `body`, one a call, "" once all are given,
    // nothing when a part cannot be read (the answer then ends unfinished, never short).
    std::function<std::optional<std::string>()> more;
};

struct PageLimits {
    GuardLimits guards;
    int log_per_minute = 12000;           // activity entries an account may add in a minute
    std::size_t max_log_entry = 2048;     // bytes of one entry's pairs
    std::size_t max_institutions = 1000;  // institutions one account may hold
};

class Pages {
  public:
    explicit Pages(Store& store, PageLimits limits = {})
        : store_(store), limits_(limits), brake_(limits.guards), logins_(limits.guards) {}
    // `page` is the name without its folder ("KoreMosadot.asp"); `raw_query` what follows "?".
    Reply Handle(const std::string& page, std::string_view raw_query, const std::string& client);
    // A login of an e-mail from an address it logged in from within 30 days: it goes to a lane
    // of its own, which strangers' floods do not reach.
    bool TrustedLogin(std::string_view raw_query, const std::string& client);

  private:
    Reply Login(const Pairs& q, const std::string& client);
    Reply List(const Pairs& q, const std::string& client);
    Reply Details(const Pairs& q, const std::string& client);
    Reply Add(const Pairs& q);
    Reply Update(const Pairs& q, const std::string& client);
    Reply Delete(const Pairs& q, const std::string& client);
    // A change to an institution the asker does not own: refused, and counted as a guess.
    Reply NotOwned(const std::string& client);
    Reply Log(const Pairs& q, const std::string& client);
    Reply BankEdition(const Pairs& q);

    bool LogAllowed(const std::string& account);
    // A write the store could not make: said on stderr with the page, answered as a refusal.
    Reply Failed(const std::string& page);

    Store& store_;
    PageLimits limits_;
    GuessBrake brake_;
    LoginGuard logins_;
    std::mutex log_mu_;
    std::map<std::string, std::pair<Clock::time_point, int>> log_counts_;
};

}  // namespace zivron::service
