// Tests of the end-to-end helpers themselves: working directory, verbatim arguments, both streams, status.
#include <gtest/gtest.h>

#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

TEST(ProgramRunnerTest, RunsInTheGivenDirectory) {
    const TempDir dir;
    const ProgramResult r = run_program("/bin/pwd", {"-P"}, dir.path());
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, std::filesystem::canonical(dir.path()).native() + "\n");
}

TEST(ProgramRunnerTest, PassesArgumentBytesVerbatim) {
    const TempDir dir;
    dir.write_file("\xff name*.txt", "content");
    const ProgramResult r = run_program("/bin/cat", {"\xff name*.txt"}, dir.path());
    EXPECT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out, "content");
}

TEST(ProgramRunnerTest, CollectsLargeOutputOnBothStreamsAndTheStatus) {
    const TempDir dir;
    const std::string big(300000, 'x');
    dir.write_file("big", big);
    const ProgramResult r = run_program("/bin/cat", {"big", "missing"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, big);
    EXPECT_NE(r.err.find("missing"), std::string::npos) << r.err;
}

TEST(ProgramRunnerTest, ProgramThatCannotRunEndsWith127) {
    const ProgramResult r = run_program("/nonexistent/program", {});
    EXPECT_EQ(r.status, 127);
    EXPECT_EQ(r.err, "program_runner: cannot execute the program\n");
}

TEST(TempDirTest, WritesReadsAndRemoves) {
    std::filesystem::path kept;
    {
        const TempDir dir;
        kept = dir.path();
        const auto full = dir.write_file("a/b/c.bin", std::vector<std::uint8_t>{0, 1, 255});
        EXPECT_EQ(full, dir / "a/b/c.bin");
        EXPECT_EQ(dir.read_file("a/b/c.bin"), (std::vector<std::uint8_t>{0, 1, 255}));
        EXPECT_EQ(dir.read_text("a/b/c.bin"), std::string("\0\1\xff", 3));
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace quorvel::test
