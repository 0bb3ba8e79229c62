#pragma once
// The pages of the service, one function a page, over the store. Queries arrive as Windows-1255
// bytes, raw or percent-encoded; replies are UTF-8 here and Windows-1255 on the wire.

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "store.h"

namespace zivron::service {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The pairs of a raw query, decoded to UTF-8; false when it is malformed (a bad escape, too
// long, too many pairs).
bool ParseQuery(std::string_view raw, Pairs& out);

struct Reply {
    int status = 200;
    std::string body;  // UTF-8
};

// Counts requests for institution numbers that do not exist, by client address, and makes a
// client that keeps guessing wait longer for every further answer.
class GuessBrake {
  public:
    std::chrono::milliseconds Miss(const std::string& client);

  private:
    struct Window {
        std::chrono::steady_clock::time_point start;
        int misses = 0;
    };
    std::mutex mu_;
    std::map<std::string, Window> windows_;
};

class Pages {
  public:
    explicit Pages(Store& store) : store_(store) {}
    // `page` is the name without its folder ("KoreMosadot.asp"); `raw_query` what follows "?".
    Reply Handle(const std::string& page, std::string_view raw_query, const std::string& client);

  private:
    Reply Login(const Pairs& q);
    Reply List(const Pairs& q);
    Reply Details(const Pairs& q, const std::string& client);
    Reply Add(const Pairs& q);
    Reply Update(const Pairs& q);
    Reply Delete(const Pairs& q);
    Reply Log(const Pairs& q, const std::string& client);

    Store& store_;
    GuessBrake brake_;
};

}  // namespace zivron::service
