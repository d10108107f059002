// Tests of the whole-file helpers: reads through one reused buffer and the readability check.
#include "quorvel/tools/file_io.hpp"

#include <cerrno>
#include <unistd.h>

#include <gtest/gtest.h>

#include "quorvel/dat/error.hpp"

namespace quorvel {
namespace {

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("quorvel-file-io-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(FileIo, ReadsFilesOfEverySizeThroughOneBuffer) {
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

TEST_F(FileIo, MissingFilesFailWithTheSystemMessage) {
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
