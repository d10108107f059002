// Tests of the DAT directory map: lookups, repeated ids, iteration order and large directories.
#include "quorvel/dat/dat_entry_map.hpp"

#include <stdexcept>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

DatFileEntry entry(std::uint32_t id, std::uint32_t version) {
    return DatFileEntry{.bit_flags = 0, .id = id, .offset = id * 2, .size = id % 1000, .timestamp = 0, .version = version};
}

DatEntryMap map_of(const std::vector<DatFileEntry>& walked) {
    DatEntryMap::entry_vector pairs;
    for (const auto& e : walked) pairs.emplace_back(e.id, e);
    return DatEntryMap(std::move(pairs));
}

std::vector<std::uint32_t> ids_of(const DatEntryMap& map) {
    std::vector<std::uint32_t> ids;
    for (const auto& [id, e] : map) ids.push_back(id);
    return ids;
}

TEST(DatEntryMap, FindsWhatWasInsertedAndNothingElse) {
    for (const DatEntryMap& empty : {DatEntryMap(), map_of({})}) {
        EXPECT_TRUE(empty.empty());
        EXPECT_EQ(empty.find(0), empty.end());
        EXPECT_EQ(empty.count(7), 0u);
    }

    const DatEntryMap map = map_of({entry(0, 1), entry(7, 1), entry(0xFFFFFFFF, 1), entry(0x0600127D, 1)});
    EXPECT_EQ(map.size(), 4u);
    for (const std::uint32_t id : {0u, 7u, 0xFFFFFFFFu, 0x0600127Du}) {
        ASSERT_NE(map.find(id), map.end()) << id;
        EXPECT_EQ(map.find(id)->first, id);
        EXPECT_EQ(map.at(id), entry(id, 1));
        EXPECT_EQ(map.count(id), 1u);
    }
    for (const std::uint32_t id : {1u, 6u, 0xFFFFFFFEu}) EXPECT_EQ(map.find(id), map.end()) << id;
    EXPECT_THROW((void)map.at(1), std::out_of_range);
}

TEST(DatEntryMap, ALaterEntryReplacesTheEarlierInItsPlace) {
    const DatEntryMap map = map_of({entry(5, 1), entry(3, 1), entry(5, 2), entry(9, 1), entry(5, 3), entry(3, 2)});
    EXPECT_EQ(ids_of(map), (std::vector<std::uint32_t>{5, 3, 9}));
    EXPECT_EQ(map.at(5).version, 3u);
    EXPECT_EQ(map.at(3).version, 2u);
    EXPECT_EQ(map.at(9).version, 1u);
}

TEST(DatEntryMap, KeepsEveryEntryOfALargeDirectory) {
    // Landblock-like ids share their low bits, the case a weak hash would crowd together.
    std::vector<std::uint32_t> ids;
    for (std::uint32_t x = 0; x < 200; ++x)
        for (std::uint32_t y = 0; y < 200; ++y) ids.push_back((x << 24) | (y << 16) | 0xFFFF);
    std::vector<DatFileEntry> walked;
    for (const std::uint32_t version : {1u, 2u})
        for (const auto id : ids) walked.push_back(entry(id, version));
    const DatEntryMap map = map_of(walked);
    ASSERT_EQ(map.size(), ids.size());
    EXPECT_EQ(ids_of(map), ids);
    for (const auto id : ids) ASSERT_EQ(map.at(id), entry(id, 2)) << id;
    EXPECT_EQ(map.find(0x0000FFFE), map.end());
}

}  // namespace
}  // namespace quorvel
