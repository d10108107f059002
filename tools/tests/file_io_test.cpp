// Tests of whole-file reads and writes, reads through one reused buffer and the readability check.
#include "quorvel/tools/file_io.hpp"

#include <cerrno>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "quorvel/dat/error.hpp"
#include "quorvel/test_support/temp_dir.hpp"

namespace quorvel {
namespace {

class FileIoTest : public testing::Test {
protected:
    // A file's content as a vector, for comparisons.
    static Result<std::vector<std::uint8_t>> read_whole_file(const std::filesystem::path& path) {
        std::vector<std::uint8_t> buffer;
        auto bytes = read_whole_file_into(path, buffer);
        if (!bytes) return std::unexpected(std::move(bytes.error()));
        return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
    }

    test::TempDir dir_;
};

TEST_F(FileIoTest, WriteThenReadRoundTrip) {
    std::vector<std::uint8_t> bytes(100000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    ASSERT_TRUE(write_whole_file(dir_ / "a.bin", bytes));
    EXPECT_EQ(read_whole_file(dir_ / "a.bin"), bytes);

    const std::vector<std::uint8_t> shorter{1, 2, 3};
    ASSERT_TRUE(write_whole_file(dir_ / "a.bin", shorter));  // truncates
    EXPECT_EQ(read_whole_file(dir_ / "a.bin"), shorter);
    ASSERT_TRUE(write_whole_file(dir_ / "empty.bin", {}));
    EXPECT_EQ(read_whole_file(dir_ / "empty.bin"), std::vector<std::uint8_t>{});
}

TEST_F(FileIoTest, ReadsToTheEndWhateverLengthTheFileReports) {
    // Files under /proc report a length of 0 but have content.
    const auto bytes = read_whole_file("/proc/self/status");
    ASSERT_TRUE(bytes) << bytes.error().messages().front();
    EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 5), "Name:");
}

TEST_F(FileIoTest, FailuresCarryTheOperatingSystemsMessage) {
    const auto missing = read_whole_file(dir_ / "missing");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().messages(), std::vector<std::string>{"No such file or directory"});
    const auto directory = read_whole_file(dir_.path());
    ASSERT_FALSE(directory);
    EXPECT_EQ(directory.error().messages(), std::vector<std::string>{"Is a directory"});
    const auto unwritable = write_whole_file(dir_ / "no" / "such.bin", std::vector<std::uint8_t>{1});
    ASSERT_FALSE(unwritable);
    EXPECT_EQ(unwritable.error().messages(), std::vector<std::string>{"No such file or directory"});
    const auto full = write_whole_file("/dev/full", std::vector<std::uint8_t>{1});
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().messages(), std::vector<std::string>{"No space left on device"});
}

TEST_F(FileIoTest, NewFileRefusesToReplaceAnything) {
    const std::vector<std::uint8_t> old_bytes{'o', 'l', 'd'};
    ASSERT_TRUE(write_new_file(dir_ / "f", old_bytes));
    EXPECT_EQ(read_whole_file(dir_ / "f"), old_bytes);
    const auto refused = write_new_file(dir_ / "f", std::vector<std::uint8_t>{'n', 'e', 'w'});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().messages(), std::vector<std::string>{"File exists"});
    EXPECT_EQ(read_whole_file(dir_ / "f"), old_bytes);

    // Not even through a link to a file that does not exist yet.
    std::filesystem::create_symlink(dir_ / "target", dir_ / "link");
    EXPECT_FALSE(write_new_file(dir_ / "link", old_bytes));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "target"));
}

TEST_F(FileIoTest, ReadsFilesOfEverySizeThroughOneBuffer) {
    const std::vector<std::vector<std::uint8_t>> contents = {{1, 2, 3, 4, 5, 6}, {}, {9}, std::vector<std::uint8_t>(5000, 7), {8, 8}};
    std::vector<std::uint8_t> buffer;
    for (std::size_t k = 0; k < contents.size(); ++k) {
        SCOPED_TRACE(k);
        const auto path = dir_ / std::to_string(k);
        ASSERT_TRUE(write_whole_file(path, contents[k]));
        const auto bytes = read_whole_file_into(path, buffer);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes->begin(), bytes->end()), contents[k]);
        EXPECT_EQ(bytes->data(), buffer.data());
    }
    EXPECT_EQ(buffer.size(), 5000u);
}

TEST_F(FileIoTest, MissingFilesFailWithTheSystemMessage) {
    const std::vector<std::string> expected = {IoError::from_errno(ENOENT).message()};
    std::vector<std::uint8_t> buffer;
    const auto read = read_whole_file_into(dir_ / "absent", buffer);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().messages(), expected);
    const auto checked = check_readable(dir_ / "absent");
    ASSERT_FALSE(checked);
    EXPECT_EQ(checked.error().messages(), expected);

    ASSERT_TRUE(write_whole_file(dir_ / "present", std::vector<std::uint8_t>{1}));
    EXPECT_TRUE(check_readable(dir_ / "present"));
}

}  // namespace
}  // namespace quorvel
