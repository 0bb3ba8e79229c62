// Reading the bank and branch lists (the built-in snapshot: 40 banks, 1,447 branches) and a
// look-up of every branch in them; the median of 201 rounds.
//
//     build-rel/bench/bank_directory_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "validate/bank_directory.h"
#include "validate/bank_snapshot.h"

int main() {
    using Clock = std::chrono::steady_clock;
    std::vector<double> parse_ms, lookup_ms;
    std::size_t found = 0;
    for (int round = 0; round < 201; ++round) {
        const auto start = Clock::now();
        auto d = zivron::banks::Directory::Parse(zivron::banks::kShippedBanks,
                                                 zivron::banks::kShippedBranches);
        const auto parsed = Clock::now();
        for (const auto& bank : d.value().Banks()) {
            for (std::int64_t branch = 0; branch < 1000; ++branch) {
                found += d.value().FindBranch(bank.code, branch) != nullptr ? 1 : 0;
            }
        }
        const auto looked = Clock::now();
        parse_ms.push_back(std::chrono::duration<double, std::milli>(parsed - start).count());
        lookup_ms.push_back(std::chrono::duration<double, std::milli>(looked - parsed).count());
    }
    std::sort(parse_ms.begin(), parse_ms.end());
    std::sort(lookup_ms.begin(), lookup_ms.end());
    std::printf("load: median %.2f ms (best %.2f); 40,000 look-ups: median %.2f ms; %zu found\n",
                parse_ms[100], parse_ms[0], lookup_ms[100], found / 201);
    return 0;
}
