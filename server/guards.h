#pragma once
// The service's brakes on guessing: institution numbers and passwords. Each answers at once;
// nothing here sleeps on a worker. Memory is bounded however many addresses take part.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zivron::service {

using Clock = std::chrono::steady_clock;

struct GuardLimits {
    int guesses_per_address = 20;  // unknown institution numbers an address may ask, per window
    int guesses_in_all = 200;      // the same for every address together
    std::chrono::milliseconds guess_window{60000};
    std::chrono::milliseconds guess_cooldown{60000};
    int login_failures = 10;  // per pair of e-mail and address, within the window
    std::chrono::milliseconds login_window{15 * 60000};
    std::chrono::milliseconds login_cooldown{15 * 60000};
};

// Institution numbers: a number the service listed to an address is always answered there; any
// other number is answered only while neither the address nor the service as a whole has
// passed its budget of misses. Past the global budget a new source address does not help.
class GuessBrake {
  public:
    explicit GuessBrake(const GuardLimits& limits) : limits_(limits) {}

    void Listed(const std::string& client, const std::vector<std::int64_t>& numbers);
    bool WasListed(const std::string& client, std::int64_t number);
    // Whether a number not listed to the client may be looked up now.
    bool Allowed(const std::string& client);
    void Miss(const std::string& client);

  private:
    struct Count {
        Clock::time_point start;
        int misses = 0;
        Clock::time_point braked_until;
    };
    bool Braked(Count& c, Clock::time_point now) const;
    void Add(Count& c, int budget, Clock::time_point now);

    GuardLimits limits_;
    std::mutex mu_;
    std::map<std::string, Count> by_address_;
    Count all_;
    std::map<std::string, std::set<std::int64_t>> listed_;
};

// Logins that strangers cannot block. Failures are counted per pair of e-mail and address: past
// the budget within the window that pair alone is refused unchecked for the cool-down. Per
// e-mail in all they only slow the answer, by a delay that grows with them up to a few seconds,
// never a lock; an address the e-mail logged in from within 30 days is not slowed at all, and
// its logins go to a lane of their own (Trusted), so a flood from elsewhere keeps no owner out.
class LoginGuard {
  public:
    explicit LoginGuard(const GuardLimits& limits) : limits_(limits) {}
    bool Blocked(const std::string& email, const std::string& client);
    bool Trusted(const std::string& email, const std::string& client);
    // How long a login of `email` from `client` waits before its password is looked at.
    std::chrono::milliseconds Delay(const std::string& email, const std::string& client);
    void Failed(const std::string& email, const std::string& client);
    void Succeeded(const std::string& email, const std::string& client);

    static constexpr std::chrono::milliseconds kLongestDelay{3000};

  private:
    struct Failures {
        std::vector<Clock::time_point> times;
        Clock::time_point blocked_until;
    };
    void Forget();

    GuardLimits limits_;
    std::mutex mu_;
    std::map<std::string, Failures> pairs_;             // e-mail and address
    std::map<std::string, Failures> emails_;            // e-mail alone: the delay
    std::map<std::string, Clock::time_point> trusted_;  // e-mail and address: last success
};

}  // namespace zivron::service
