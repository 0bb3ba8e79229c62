#include "guards.h"

#include <algorithm>

namespace zivron::service {
namespace {

constexpr std::size_t kMaxTracked = 10000;  // addresses or e-mails; a flood of them starts over

}  // namespace

void GuessBrake::Listed(const std::string& client, const std::vector<std::int64_t>& numbers) {
    std::lock_guard<std::mutex> lock(mu_);
    if (listed_.size() > kMaxTracked) {
        listed_.clear();
    }
    std::set<std::int64_t>& mine = listed_[client];
    if (mine.size() + numbers.size() > 4 * kMaxTracked) {
        mine.clear();
    }
    mine.insert(numbers.begin(), numbers.end());
}

bool GuessBrake::WasListed(const std::string& client, std::int64_t number) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = listed_.find(client);
    return it != listed_.end() && it->second.count(number) > 0;
}

bool GuessBrake::Braked(Count& c, Clock::time_point now) const {
    return now < c.braked_until;
}

void GuessBrake::Add(Count& c, int budget, Clock::time_point now) {
    if (now - c.start > limits_.guess_window) {
        c.start = now;
        c.misses = 0;
    }
    if (++c.misses > budget) {
        c.braked_until = now + limits_.guess_cooldown;
    }
}

bool GuessBrake::Allowed(const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    const auto now = Clock::now();
    if (Braked(all_, now)) {
        return false;
    }
    auto it = by_address_.find(client);
    return it == by_address_.end() || !Braked(it->second, now);
}

void GuessBrake::Miss(const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    const auto now = Clock::now();
    if (by_address_.size() > kMaxTracked) {
        by_address_.clear();
    }
    Add(by_address_[client], limits_.guesses_per_address, now);
    Add(all_, limits_.guesses_in_all, now);
}

bool LoginGuard::BlockedKey(const std::string& key, Clock::time_point now) {
    auto it = failures_.find(key);
    return it != failures_.end() && now < it->second.blocked_until;
}

void LoginGuard::FailKey(const std::string& key, Clock::time_point now) {
    Failures& f = failures_[key];
    std::erase_if(f.times, [&](Clock::time_point t) { return now - t > limits_.login_window; });
    f.times.push_back(now);
    if (static_cast<int>(f.times.size()) >= limits_.login_failures) {
        f.blocked_until = now + limits_.login_cooldown;
        f.times.clear();
    }
}

bool LoginGuard::Blocked(const std::string& email, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    const auto now = Clock::now();
    return BlockedKey("e:" + email, now) || BlockedKey("a:" + client, now);
}

void LoginGuard::Failed(const std::string& email, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    if (failures_.size() > kMaxTracked) {
        // Keep the blocked ones: a flood of new keys must not lift a block.
        const auto now = Clock::now();
        std::erase_if(failures_, [&](const auto& kv) { return now >= kv.second.blocked_until; });
        if (failures_.size() > kMaxTracked) {
            failures_.clear();
        }
    }
    const auto now = Clock::now();
    FailKey("e:" + email, now);
    FailKey("a:" + client, now);
}

}  // namespace zivron::service
