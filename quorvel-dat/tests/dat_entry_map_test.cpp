// Tests of the DAT directory map: lookups, replacement in place, iteration order and growth.
#include "quorvel/dat/dat_entry_map.hpp"

#include <stdexcept>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

DatFileEntry entry(std::uint32_t id, std::uint32_t version) {
    return DatFileEntry{.bit_flags = 0, .id = id, .offset = id * 2, .size = id % 1000, .timestamp = 0, .version = version};
}

std::vector<std::uint32_t> ids_of(const DatEntryMap& map) {
    std::vector<std::uint32_t> ids;
    for (const auto& [id, e] : map) ids.push_back(id);
    return ids;
}

TEST(DatEntryMap, FindsWhatWasInsertedAndNothingElse) {
    DatEntryMap map;
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.find(0), map.end());
    EXPECT_EQ(map.count(7), 0u);

    for (const std::uint32_t id : {0u, 7u, 0xFFFFFFFFu, 0x0600127Du}) map.insert_or_assign(id, entry(id, 1));
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
    DatEntryMap map;
    map.insert_or_assign(5, entry(5, 1));
    map.insert_or_assign(3, entry(3, 1));
    map.insert_or_assign(5, entry(5, 2));
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at(5).version, 2u);
    EXPECT_EQ(ids_of(map), (std::vector<std::uint32_t>{5, 3}));
}

TEST(DatEntryMap, KeepsEveryEntryAcrossGrowth) {
    // Landblock-like ids share their low bits, the case a weak hash would crowd together.
    DatEntryMap map;
    std::vector<std::uint32_t> ids;
    for (std::uint32_t x = 0; x < 200; ++x)
        for (std::uint32_t y = 0; y < 200; ++y) ids.push_back((x << 24) | (y << 16) | 0xFFFF);
    for (const auto id : ids) map.insert_or_assign(id, entry(id, 1));
    for (const auto id : ids) map.insert_or_assign(id, entry(id, 2));
    ASSERT_EQ(map.size(), ids.size());
    EXPECT_EQ(ids_of(map), ids);
    for (const auto id : ids) ASSERT_EQ(map.at(id), entry(id, 2)) << id;
    EXPECT_EQ(map.find(0x0000FFFE), map.end());
}

}  // namespace
}  // namespace quorvel
