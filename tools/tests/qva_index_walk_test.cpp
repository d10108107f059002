// Tests of walking a QVA index record by record, including an index cut short after opening.
#include "quorvel/tools/qva_index_walk.hpp"

#include <gtest/gtest.h>

#include "quorvel/dat/archive/qva_writer.hpp"
#include "quorvel/test_support/temp_dir.hpp"

namespace quorvel {
namespace {

class QvaIndexWalkTest : public testing::Test {
protected:

    // An archive of `count` one-byte entries: ids 0..count-1 in "eor/cell" then the same in "eor/portal".
    std::filesystem::path write_archive(std::uint32_t count) {
        QvaWriter writer;
        writer.compress = false;
        for (const char* label : {"eor/cell", "eor/portal"})
            for (std::uint32_t id = 0; id < count; ++id) EXPECT_TRUE(writer.add(label, id, 6, {static_cast<std::uint8_t>(id)}));
        EXPECT_TRUE(std::move(writer).write(dir_ / "a.qva"));
        return dir_ / "a.qva";
    }

    test::TempDir dir_;
};

TEST_F(QvaIndexWalkTest, VisitsEveryRecordInIndexOrderAcrossChunks) {
    auto reader = QvaReader::open(write_archive(2500));  // 5000 records: more than one chunk
    ASSERT_TRUE(reader);
    std::vector<std::pair<std::string, std::uint32_t>> seen;
    NamespaceLabelCache labels;
    auto walked = for_each_index_entry(*reader, [&](const QvaEntry& entry) -> DatResult<void> {
        auto label = labels.label_of(entry);
        if (!label) return std::unexpected(label.error());
        seen.emplace_back(std::string(*label), entry.file_id);
        return {};
    });
    ASSERT_TRUE(walked);
    ASSERT_EQ(seen.size(), 5000u);
    EXPECT_EQ(seen[0], std::make_pair(std::string("eor/cell"), 0u));
    EXPECT_EQ(seen[2499], std::make_pair(std::string("eor/cell"), 2499u));
    EXPECT_EQ(seen[2500], std::make_pair(std::string("eor/portal"), 0u));
    EXPECT_EQ(seen[4999], std::make_pair(std::string("eor/portal"), 2499u));
}

TEST_F(QvaIndexWalkTest, StopsAtTheFirstErrorOfTheVisitor) {
    auto reader = QvaReader::open(write_archive(10));
    ASSERT_TRUE(reader);
    std::uint32_t visits = 0;
    auto walked = for_each_index_entry(*reader, [&](const QvaEntry&) -> DatResult<void> {
        if (++visits == 3) return std::unexpected(DatError::other("stop"));
        return {};
    });
    ASSERT_FALSE(walked);
    EXPECT_EQ(walked.error().message(), "Other error: stop");
    EXPECT_EQ(visits, 3u);
}

TEST_F(QvaIndexWalkTest, IndexCutShortAfterOpeningVisitsEveryWholeRecordThenFails) {
    const auto path = write_archive(3000);  // 6000 records
    auto reader = QvaReader::open(path);
    ASSERT_TRUE(reader);
    // Keep 4100 whole records and part of the next: the failure falls inside the second chunk.
    const std::uint64_t cut = reader->header().index_offset + 4100 * QvaEntry::record_size + 30;
    std::filesystem::resize_file(path, cut);

    std::uint32_t visits = 0;
    auto walked = for_each_index_entry(*reader, [&](const QvaEntry&) -> DatResult<void> {
        ++visits;
        return {};
    });
    ASSERT_FALSE(walked);
    EXPECT_EQ(walked.error().kind(), DatErrorKind::Io);
    EXPECT_EQ(walked.error().message(), "IO error: failed to fill whole buffer");
    EXPECT_EQ(visits, 4100u);

    visits = 0;
    const auto skipping = for_each_index_entry(
        *reader, [&](const QvaEntry&) -> DatResult<void> {
            ++visits;
            return {};
        },
        UnreadableRecord::Skip);
    EXPECT_TRUE(skipping);
    EXPECT_EQ(visits, 4100u);
}

}  // namespace
}  // namespace quorvel
