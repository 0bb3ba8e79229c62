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

namespace {

constexpr auto kTrustedFor = std::chrono::hours(24 * 30);

std::string PairKey(const std::string& email, const std::string& client) {
    return email + '\n' + client;
}

}  // namespace

bool LoginGuard::Blocked(const std::string& email, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = pairs_.find(PairKey(email, client));
    return it != pairs_.end() && Clock::now() < it->second.blocked_until;
}

bool LoginGuard::Trusted(const std::string& email, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = trusted_.find(PairKey(email, client));
    return it != trusted_.end() && Clock::now() - it->second < kTrustedFor;
}

std::chrono::milliseconds LoginGuard::Delay(const std::string& email, const std::string& client) {
    if (Trusted(email, client)) {
        return std::chrono::milliseconds(0);
    }
    std::lock_guard<std::mutex> lock(mu_);
    auto it = emails_.find(email);
    if (it == emails_.end()) {
        return std::chrono::milliseconds(0);
    }
    const auto now = Clock::now();
    std::erase_if(it->second.times,
                  [&](Clock::time_point t) { return now - t > limits_.login_window; });
    // 50 ms after the first failure, doubling with each, at most a few seconds.
    const std::size_t n = std::min<std::size_t>(it->second.times.size(), 16);
    return n == 0 ? std::chrono::milliseconds(0)
                  : std::min(kLongestDelay, std::chrono::milliseconds(25 << n));
}

void LoginGuard::Forget() {
    if (pairs_.size() + emails_.size() + trusted_.size() <= kMaxTracked) {
        return;
    }
    // Keep the blocked pairs and the trusted ones: a flood of new keys must lift neither.
    const auto now = Clock::now();
    std::erase_if(pairs_, [&](const auto& kv) { return now >= kv.second.blocked_until; });
    emails_.clear();
    std::erase_if(trusted_, [&](const auto& kv) { return now - kv.second >= kTrustedFor; });
    if (pairs_.size() + trusted_.size() > kMaxTracked) {
        pairs_.clear();
    }
}

void LoginGuard::Failed(const std::string& email, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    Forget();
    const auto now = Clock::now();
    Failures& pair = pairs_[PairKey(email, client)];
    std::erase_if(pair.times, [&](Clock::time_point t) { return now - t > limits_.login_window; });
    pair.times.push_back(now);
    if (static_cast<int>(pair.times.size()) >= limits_.login_failures) {
        pair.blocked_until = now + limits_.login_cooldown;
        pair.times.clear();
    }
    emails_[email].times.push_back(now);
}

void LoginGuard::Succeeded(const std::string& email, const std::string& client) {
    std::lock_guard<std::mutex> lock(mu_);
    Forget();
    trusted_[PairKey(email, client)] = Clock::now();
    pairs_.erase(PairKey(email, client));
}

}  // namespace zivron::service
