// Tests of the temporary-file-and-rename writer.
#include "quorvel/dat/utils/atomic_file.hpp"

#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "qva_test_support.hpp"

namespace quorvel {
namespace {

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(AtomicFile, CommitRenamesTheTemporaryOverTheTarget) {
    test::TempDir dir;
    const auto target = dir / "out.qva";
    test::write_file(target, bytes("old contents"));

    auto file = AtomicFile::create(target).value();
    EXPECT_TRUE(file.replaces_target());
    EXPECT_EQ(file.working_path().parent_path(), dir.path());
    EXPECT_NE(file.working_path(), target);
    ASSERT_TRUE(file.write(bytes("new")));
    EXPECT_EQ(file.position(), 3u);
    EXPECT_TRUE(std::filesystem::exists(file.working_path()));
    EXPECT_EQ(test::read_file(target), bytes("old contents"));  // untouched until the commit

    ASSERT_TRUE(std::move(file).commit());
    EXPECT_EQ(test::read_file(target), bytes("new"));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"out.qva"});
}

TEST(AtomicFile, AFileNeverCommittedIsRemoved) {
    test::TempDir dir;
    const auto existing = dir / "existing.qva";
    test::write_file(existing, bytes("keep me"));
    {
        auto a = AtomicFile::create(existing).value();
        auto b = AtomicFile::create(dir / "absent.qva").value();
        ASSERT_TRUE(a.write(bytes("lost")));
        ASSERT_TRUE(b.write(bytes("lost")));
        AtomicFile moved = std::move(b);  // the moved-from object must not remove anything twice
    }
    EXPECT_EQ(test::read_file(existing), bytes("keep me"));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"existing.qva"});
}

TEST(AtomicFile, ARenameThatFailsLeavesTheTarget) {
    test::TempDir dir;
    const auto target = dir / "out.qva";
    test::write_file(target, bytes("old"));
    auto file = AtomicFile::create(target).value();
    ASSERT_TRUE(file.write(bytes("new")));
    std::filesystem::remove(file.working_path());
    const auto committed = std::move(file).commit();
    ASSERT_FALSE(committed);
    EXPECT_EQ(committed.error().message(), "No such file or directory");
    EXPECT_EQ(test::read_file(target), bytes("old"));
}

TEST(AtomicFile, NewFilesGetReadWriteForAllLessTheUmask) {
    test::TempDir dir;
    const mode_t saved = ::umask(027);
    auto file = AtomicFile::create(dir / "out.qva");
    ::umask(saved);
    ASSERT_TRUE(file);
    ASSERT_TRUE(std::move(*file).commit());
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out.qva").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicFile, WritesThroughASymbolicLink) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "real");
    test::write_file(dir / "real" / "data.qva", bytes("old"));
    std::filesystem::create_symlink("real/data.qva", dir / "link.qva");
    auto file = AtomicFile::create(dir / "link.qva").value();
    ASSERT_TRUE(file.write(bytes("new")));
    ASSERT_TRUE(std::move(file).commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.qva"));
    EXPECT_EQ(test::read_file(dir / "real" / "data.qva"), bytes("new"));
}

TEST(AtomicFile, SeeksBackToOverwrite) {
    test::TempDir dir;
    auto file = AtomicFile::create(dir / "out").value();
    ASSERT_TRUE(file.write(bytes("hello world")));
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(file.position(), 0u);
    ASSERT_TRUE(file.write(bytes("J")));
    EXPECT_EQ(file.position(), 1u);
    ASSERT_TRUE(std::move(file).commit());
    EXPECT_EQ(test::read_file(dir / "out"), bytes("Jello world"));
}

TEST(AtomicFile, WritesDevicesDirectly) {
    auto file = AtomicFile::create("/dev/null").value();
    EXPECT_FALSE(file.replaces_target());
    EXPECT_EQ(file.working_path(), "/dev/null");
    ASSERT_TRUE(file.write(bytes("discarded")));
    ASSERT_TRUE(std::move(file).commit());
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    auto full = AtomicFile::create("/dev/full").value();
    const auto written = full.write(bytes("x"));
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().message(), "No space left on device");
}

TEST(AtomicFile, ReportsTargetsThatCannotBeWritten) {
    test::TempDir dir;
    const auto missing = AtomicFile::create(dir / "no-such-dir" / "out.qva");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message(), "No such file or directory");
    const auto directory = AtomicFile::create(dir.path());
    ASSERT_FALSE(directory);
    EXPECT_EQ(directory.error().message(), "Is a directory");
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace quorvel
