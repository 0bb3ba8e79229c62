#include "masav/record_layout.h"

#include <gtest/gtest.h>

namespace zivron::masav {
namespace {

// A slot in the wrong place shifts every field after it; the tables must tile the record.
TEST(RecordLayout, SlotsTileTheRecordWithoutGapOrOverlap) {
    const std::pair<const char*, std::span<const Slot>> tables[] = {
        {"header", HeaderSlots()},
        {"detail", DetailSlots()},
        {"credit trailer", CreditTrailerSlots()},
        {"collection trailer", CollectionTrailerSlots()},
    };
    for (const auto& [name, slots] : tables) {
        int next = 1;
        for (const Slot& s : slots) {
            EXPECT_EQ(s.position, next) << name;
            EXPECT_GT(s.width, 0) << name;
            if (s.source == Source::Fixed) {
                EXPECT_TRUE(s.fixed.empty() || static_cast<int>(s.fixed.size()) == s.width)
                    << name << " at " << s.position;
            }
            next = s.position + s.width;
        }
        EXPECT_EQ(next, kRecordWidth + 1) << name;
    }
}

TEST(Place, CutsOrPads) {
    std::string r;
    Place(r, "abc", 5);
    Place(r, "abcdef", 4);
    Place(r, "", 2);
    Place(r, "xy", 2);
    EXPECT_EQ(r, "abc  abcd  xy");
}

}  // namespace
}  // namespace zivron::masav
