// Tests of the whole-file helpers: writing, refusing to replace, and reading back.
#include "quorvel/tools/file_io.hpp"

#include <unistd.h>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

class FileIoTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-file-io-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
};

const std::vector<std::uint8_t> old_bytes{'o', 'l', 'd'};
const std::vector<std::uint8_t> new_bytes{'n', 'e', 'w', '!'};

TEST_F(FileIoTest, WholeFileReplacesAndNewFileRefuses) {
    const auto path = dir_ / "f";
    ASSERT_TRUE(write_new_file(path, old_bytes));
    EXPECT_EQ(read_whole_file(path), old_bytes);

    const auto refused = write_new_file(path, new_bytes);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().messages(), std::vector<std::string>{"File exists"});
    EXPECT_EQ(read_whole_file(path), old_bytes);

    ASSERT_TRUE(write_whole_file(path, new_bytes));
    EXPECT_EQ(read_whole_file(path), new_bytes);
}

TEST_F(FileIoTest, NewFileDoesNotWriteThroughALink) {
    std::filesystem::create_symlink(dir_ / "target", dir_ / "link");
    EXPECT_FALSE(write_new_file(dir_ / "link", new_bytes));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "target"));
}

TEST_F(FileIoTest, MissingDirectoryFailsWithTheSystemMessage) {
    const auto written = write_new_file(dir_ / "no" / "f", new_bytes);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().messages(), std::vector<std::string>{"No such file or directory"});
    const auto read = read_whole_file(dir_ / "no" / "f");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().messages(), std::vector<std::string>{"No such file or directory"});
}

}  // namespace
}  // namespace quorvel
