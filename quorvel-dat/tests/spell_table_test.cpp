// Tests of the spell table decoder: layout, alignment, extras by type, keyed tables and every failure path.
#include "quorvel/dat/file_type/spell_table.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/spell_builder.hpp"

namespace quorvel {
namespace {

using test::ByteBuilder;
using test::SpellTableBuilder;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view eod = "failed to fill whole buffer";

RecordResult<SpellTable> decode(const Bytes& bytes) {
    ByteCursor cur(bytes);
    return read_spell_table(cur);
}

std::string frame(std::string_view field, std::string_view record) {
    return fmt::format("\nWhile parsing field '{}' in {}", field, record);
}

const std::string in_spells = frame("spells", "SpellTable");
const std::string in_tiers = frame("tiers", "SpellSet") + frame("spell_sets", "SpellTable");

std::string extras_failure(std::size_t position, std::string_view enchantment, std::string_view portal,
                           std::string_view none) {
    return fmt::format("no variant of SpellExtras matched at position {}:\n  Enchantment: {}\n  PortalSummon: {}\n  None: {}",
                       position, enchantment, portal, none);
}

constexpr std::string_view not_enchantment = "assertion failed: `meta_spell_type == 1 || meta_spell_type == 12`";
constexpr std::string_view not_portal = "assertion failed: `meta_spell_type == 7`";
constexpr std::string_view not_none =
    "assertion failed: `meta_spell_type != 1 && meta_spell_type != 7 && meta_spell_type != 12`";

TEST(SpellTable, TwelveByteRecordHasTwoEmptyMapsAndElevenBytesFailInSpellSets) {
    Bytes bytes = ByteBuilder()
                      .u32(0x0E00000E)  // id
                      .u16(0).u16(0)    // spells: count, bucket size
                      .u16(0).u16(0)    // spell_sets: count, bucket size
                      .take();
    auto table = decode(bytes);
    ASSERT_TRUE(table) << table.error().text();
    EXPECT_EQ(*table, (SpellTable{0x0E00000E, {}, {}}));

    bytes.pop_back();
    ByteCursor cur(bytes);
    auto short_table = read_spell_table(cur);
    ASSERT_FALSE(short_table);
    EXPECT_EQ(short_table.error().kind(), RecordError::Kind::EndOfData);
    EXPECT_EQ(short_table.error().text(), std::string(eod) + frame("spell_sets", "SpellTable"));
    EXPECT_EQ(cur.position(), 0u);
}

TEST(SpellTable, RoundTripsEverySpellTypeAndSpellSets) {
    SpellTable table{0x0E00000E, {}, {}};
    for (std::uint32_t type = 0; type <= 14; ++type) table.spells[100 + type] = test::sample_spell(type, type);
    table.spells[7777] = test::sample_spell(7, 0xFFFFFFFF);
    table.spells[8888].name = "Flamme \xC3\xA9t\xC3\xA9 \xE2\x82\xAC";  // non-ASCII, stored behind a UTF-8 mark
    table.spell_sets[1].tiers[0] = {3, {101, 102, 103}};
    table.spell_sets[1].tiers[5] = {0, {}};
    table.spell_sets[2].tiers[1] = {1, {7777}};
    table.spell_sets[3] = {};

    const Bytes bytes = test::build_spell_table(table);
    ByteCursor cur(bytes);
    auto decoded = read_spell_table(cur);
    ASSERT_TRUE(decoded) << decoded.error().text();
    EXPECT_EQ(*decoded, table);
    EXPECT_EQ(cur.position(), bytes.size());
}

TEST(SpellTable, ExtrasFollowTheSpellType) {
    struct Case {
        std::uint32_t type;
        std::size_t variant;  // 0 None, 1 Enchantment, 2 PortalSummon
    };
    const Case cases[] = {{0, 0},  {1, 1},  {2, 0},  {3, 0},  {4, 0},  {5, 0},  {6, 0},          {7, 2},
                          {8, 0},  {9, 0},  {10, 0}, {11, 0}, {12, 1}, {13, 0}, {0xFFFFFFFF, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const SpellBase spell = test::sample_spell(40, c.type);
        ASSERT_EQ(spell.extras.value.index(), c.variant);
        // A spell set after the spell shows that exactly the extras' width was consumed.
        const Bytes bytes = SpellTableBuilder().spell(5, spell).spell_set(9, {{2, {1, {5}}}}).build();
        auto table = decode(bytes);
        ASSERT_TRUE(table) << table.error().text();
        EXPECT_EQ(table->spells.at(5), spell);
        EXPECT_EQ(table->spell_sets.at(9).tiers.at(2).spells, std::vector<std::uint32_t>{5});
    }
}

TEST(SpellTable, NameAndDescriptionAlignOnAbsolutePositions) {
    // The spell starts at 12: id, counts and key. A name of n bytes ends at 14 + n; the description
    // then starts on a multiple of 4.
    struct Case {
        std::size_t name_length, name_padding, description_length, description_padding;
    };
    const Case cases[] = {{6, 0, 2, 0}, {5, 1, 4, 2}, {4, 2, 5, 1}, {3, 3, 3, 3}, {0, 2, 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name_length);
        SpellBase expected = test::sample_spell(1, 0);
        expected.name = std::string(c.name_length, 'n');
        expected.description = std::string(c.description_length, 'd');
        ByteBuilder b;
        b.u32(0x0E00000E).u16(1).u16(1).u32(3);  // id, spells count and bucket size, key
        test::write_obfuscated_string(b, test::encode_spell_text(expected.name));
        b.fill(c.name_padding, 0xAA);  // skipped bytes are not checked
        test::write_obfuscated_string(b, test::encode_spell_text(expected.description));
        b.fill(c.description_padding, 0xAA);
        ASSERT_EQ(b.size() % 4, 0u);
        ByteBuilder rest;
        test::write_spell_base(rest, expected);
        b.bytes(std::span(rest.data()).subspan(rest.size() - 52 - 68));  // the fields after the strings
        b.u16(0).u16(0);                                                  // spell_sets

        auto table = decode(b.data());
        ASSERT_TRUE(table) << table.error().text();
        EXPECT_EQ(table->spells.at(3), expected);
    }
}

TEST(SpellTable, ObfuscatedNameIsRestoredAndDecodedAsWindows1252) {
    ByteBuilder b;
    b.u32(1).u16(1).u16(0).u32(2);
    b.u16(3).u8(0x84).u8(0x56).u8(0xC6);  // "Hel", halves exchanged
    b.align(4);
    b.u16(1).u8(0x08);  // 0x80: the euro sign
    b.align(4);
    ByteBuilder rest;
    SpellBase expected = test::sample_spell(2, 12);
    test::write_spell_base(rest, expected);
    b.bytes(std::span(rest.data()).subspan(rest.data().size() - (52 + 16 + 68)));
    b.u16(0).u16(0);
    auto table = decode(b.data());
    ASSERT_TRUE(table) << table.error().text();
    expected.name = "Hel";
    expected.description = "\xE2\x82\xAC";
    EXPECT_EQ(table->spells.at(2), expected);
}

TEST(SpellTable, LaterDuplicateKeyReplacesEarlierEntry) {
    const SpellBase first = test::sample_spell(1, 1);
    const SpellBase second = test::sample_spell(2, 7);
    const Bytes bytes = SpellTableBuilder()
                            .spell(10, first)
                            .spell(10, second)
                            .spell_set(4, {{1, {1, {10}}}, {1, {2, {11, 12}}}})
                            .spell_set(4, {{3, {0, {}}}})
                            .build();
    auto table = decode(bytes);
    ASSERT_TRUE(table) << table.error().text();
    ASSERT_EQ(table->spells.size(), 1u);
    EXPECT_EQ(table->spells.at(10), second);
    ASSERT_EQ(table->spell_sets.size(), 1u);
    EXPECT_EQ(table->spell_sets.at(4), (SpellSet{{{3, SpellSetTiers{0, {}}}}}));
}

TEST(SpellTable, BucketSizeIsReadButIgnored) {
    for (std::uint16_t bucket : {0, 1, 0xFFFF}) {
        SCOPED_TRACE(bucket);
        const Bytes bytes =
            SpellTableBuilder().bucket_size(bucket).spell(1, test::sample_spell(1, 1)).spell_set(2, {{0, {1, {1}}}}).build();
        auto table = decode(bytes);
        ASSERT_TRUE(table) << table.error().text();
        EXPECT_EQ(table->spells.size(), 1u);
        EXPECT_EQ(table->spell_sets.at(2).tiers.at(0).spells, std::vector<std::uint32_t>{1});
    }
}

TEST(SpellTable, TrailingBytesAreIgnored) {
    Bytes bytes = SpellTableBuilder().spell(1, test::sample_spell(1, 0)).build();
    const std::size_t size = bytes.size();
    bytes.insert(bytes.end(), {1, 2, 3});
    ByteCursor cur(bytes);
    ASSERT_TRUE(read_spell_table(cur));
    EXPECT_EQ(cur.position(), size);
}

TEST(SpellTable, NegativeTierCountFailsAtTheCount) {
    const Bytes bytes = SpellTableBuilder().spell_set(1, {{0, {-1, {}}}}).build();
    // id, spells count and bucket, spell_sets count and bucket, set key, tiers count and bucket, tier key.
    const std::size_t count_position = 4 + 4 + 4 + 4 + 4 + 4;
    ByteCursor cur(bytes);
    auto table = read_spell_table(cur);
    ASSERT_FALSE(table);
    EXPECT_EQ(table.error().kind(), RecordError::Kind::Assertion);
    EXPECT_EQ(table.error().position(), count_position);
    EXPECT_EQ(table.error().text(), "count -1 out of range of usize" + frame("spell_count", "SpellSetTiers") + in_tiers);
    EXPECT_EQ(cur.position(), 0u);

    auto most_negative = decode(SpellTableBuilder().spell_set(1, {{0, {INT32_MIN, {}}}}).build());
    ASSERT_FALSE(most_negative);
    EXPECT_EQ(most_negative.error().cause(), "count -2147483648 out of range of usize");
}

TEST(SpellTable, HugeTierCountWithLittleDataEndsOnEndOfData) {
    const Bytes bytes = SpellTableBuilder().spell_set(1, {{0, {INT32_MAX, {1, 2, 3}}}}).build();
    auto table = decode(bytes);
    ASSERT_FALSE(table);
    EXPECT_EQ(table.error().text(), std::string(eod) + frame("spells", "SpellSetTiers") + in_tiers);
}

TEST(SpellTable, ExtrasCutShortFailWithEveryVariantsFailure) {
    struct Case {
        std::uint32_t type;
        std::size_t extras_bytes;  // stored, fewer than the type needs
        std::string enchantment, portal;
    };
    const Case cases[] = {
        {7, 4, std::string(not_enchantment), std::string(eod) + "\n    While parsing field 'portal_lifetime' in SpellExtras::PortalSummon"},
        {7, 0, std::string(not_enchantment), std::string(eod) + "\n    While parsing field 'portal_lifetime' in SpellExtras::PortalSummon"},
        {1, 8, std::string(eod) + "\n    While parsing field 'degrade_modifier' in SpellExtras::Enchantment", std::string(not_portal)},
        {12, 15, std::string(eod) + "\n    While parsing field 'degrade_limit' in SpellExtras::Enchantment", std::string(not_portal)},
        {12, 7, std::string(eod) + "\n    While parsing field 'duration' in SpellExtras::Enchantment", std::string(not_portal)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        SpellBase spell = test::sample_spell(3, c.type);
        spell.name = "abcdef";       // ends on 20
        spell.description = "ghij";  // ends on 26, aligned to 28
        Bytes bytes = SpellTableBuilder().spell(1, spell).build();
        const std::size_t extras_position = 28 + 52;
        bytes.resize(extras_position + c.extras_bytes);
        ByteCursor cur(bytes);
        auto table = read_spell_table(cur);
        ASSERT_FALSE(table);
        EXPECT_EQ(table.error().kind(), RecordError::Kind::Assertion);
        EXPECT_EQ(table.error().text(), extras_failure(extras_position, c.enchantment, c.portal, not_none) +
                                            frame("extras", "SpellBase") + in_spells);
        EXPECT_EQ(cur.position(), 0u);
    }
}

// Every prefix of a valid record fails cleanly, inside the field that the cut falls in.
TEST(SpellTable, TruncationSweepNamesTheFieldCut) {
    SpellBase spell = test::sample_spell(9, 1);
    spell.name = "Bolt";          // 12 + 2 + 4 = 18, two skipped bytes
    spell.description = "Zap!!";  // 20 + 2 + 5 = 27, one skipped byte
    const Bytes bytes = SpellTableBuilder().spell(77, spell).spell_set(5, {{3, {2, {77, 78}}}}).build();

    struct Field {
        std::size_t end;
        std::string text;  // expected error text for a cut before `end`
    };
    std::vector<Field> fields;
    std::size_t at = 0;
    auto add = [&](std::size_t size, std::string text) {
        at += size;
        fields.push_back({at, std::move(text)});
    };
    auto base = [&](std::size_t size, std::string_view name) {
        add(size, std::string(eod) + frame(name, "SpellBase") + in_spells);
    };
    add(4, std::string(eod) + frame("id", "SpellTable"));
    add(4 + 4, std::string(eod) + in_spells);  // count, bucket size, key
    base(6, "name");
    at += 2;
    base(7, "description");
    at += 1;
    for (std::string_view name : {"school", "icon_id", "category", "bitfield", "base_mana", "base_range_constant",
                                  "base_range_mod", "power", "spell_economy_mod", "formula_version", "component_loss",
                                  "meta_spell_type", "meta_spell_id"})
        base(4, name);
    const std::size_t extras_position = at;
    for (auto [size, name] : {std::pair<std::size_t, std::string_view>{8, "duration"}, {4, "degrade_modifier"}, {4, "degrade_limit"}})
        add(size, extras_failure(extras_position,
                                 fmt::format("{}\n    While parsing field '{}' in SpellExtras::Enchantment", eod, name),
                                 not_portal, not_none) +
                      frame("extras", "SpellBase") + in_spells);
    base(32, "raw_components");
    for (std::string_view name : {"caster_effect", "target_effect", "fizzle_effect"}) base(4, name);
    base(8, "recovery_interval");
    for (std::string_view name : {"recovery_amount", "display_order", "non_component_target_type", "mana_mod"}) base(4, name);
    add(4 + 4, std::string(eod) + frame("spell_sets", "SpellTable"));  // count, bucket size, key
    add(4 + 4, std::string(eod) + in_tiers);                             // tiers count, bucket size, tier key
    add(4, std::string(eod) + frame("spell_count", "SpellSetTiers") + in_tiers);
    add(8, std::string(eod) + frame("spells", "SpellSetTiers") + in_tiers);
    ASSERT_EQ(at, bytes.size());
    ASSERT_TRUE(decode(bytes));

    std::size_t field = 0;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        while (fields[field].end <= length) ++field;
        const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        ByteCursor cur(prefix);
        auto table = read_spell_table(cur);
        ASSERT_FALSE(table);
        EXPECT_EQ(table.error().text(), fields[field].text);
        EXPECT_EQ(cur.position(), 0u);
    }
}

}  // namespace
}  // namespace quorvel
