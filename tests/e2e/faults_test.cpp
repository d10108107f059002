// End-to-end fault tests: standard output that cannot be written, unreadable inputs, and an archive
// write cut short by the file-size limit.
#include <set>

#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "file_inputs.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "e2e_test.hpp"

namespace quorvel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The program with `args`, its standard output sent to /dev/full.
ProgramResult run_with_full_stdout(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
    std::vector<std::string> shell_args = {"-c", "exec \"$0\" \"$@\" >/dev/full", QUORVEL_TOOLS_EXE};
    shell_args.insert(shell_args.end(), args.begin(), args.end());
    return run_program("/bin/sh", shell_args, cwd);
}

std::set<std::string> names_in(const std::filesystem::path& path) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path)) names.insert(e.path().filename().string());
    return names;
}

class FaultsTest : public E2eTest {
protected:
    void write_inputs() const {
        DatWriter w;
        // Enough entries that "list" fills its output buffer several times over.
        for (std::uint32_t i = 0; i < 3000; ++i) w.add(0x06000000 + i, {static_cast<std::uint8_t>(i)});
        ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
        write_qva(dir / "p.qva", {{"eor/portal", 0x06000001, 6, pattern_bytes(100, 1)}});
    }
};

TEST_F(FaultsTest, StandardOutputThatCannotBeWrittenIsAnError) {
    write_inputs();
    const std::string err = "Error: Failed to write to standard output\n\nCaused by:\n    No space left on device\n";
    const std::vector<std::vector<std::string>> cases = {
        {"list", "p.dat"},
        {"list", "p.qva"},
        {"meta", "p.dat"},
        {"meta", "p.qva"},
        {"info", "p.dat", "0x06000001"},
        {"info", "p.qva", "0x06000001"},
        {"export", "p.qva", "0x06000001", "-o", "a.bin"},
        {"extract", "p.qva", "0x06000001", "-o", "b.bin"},
    };
    for (const auto& args : cases) {
        const ProgramResult r = run_with_full_stdout(args, dir.path());
        EXPECT_EQ(r.status, 1) << testing::PrintToString(args) << "\n" << r;
        EXPECT_EQ(r.err, err) << testing::PrintToString(args);
    }
    // The file was written before its message failed to print.
    EXPECT_EQ(dir.read_file("a.bin"), pattern_bytes(100, 1));
}

TEST_F(FaultsTest, AHandlerErrorOutranksTheFailedStandardOutput) {
    write_inputs();
    const ProgramResult r = run_with_full_stdout({"info", "p.qva", "0x06000002"}, dir.path());
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.err, "Error: File ID 06000002 not found in provider\n");
}

// Runs the program as an unprivileged user, for whom file permissions apply even when the tests
// run as root. The executable is copied into the test directory so that user can reach it.
class UnreadableInputTest : public E2eTest {
protected:
    void SetUp() override {
        std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
        if (::geteuid() != 0) {
            program_ = QUORVEL_TOOLS_EXE;
            return;
        }
        program_ = dir / "quorvel-tools";
        std::filesystem::copy_file(QUORVEL_TOOLS_EXE, program_);
        const ProgramResult probe = run_program(setpriv, wrapped({"--version"}));
        if (probe.status != 0) GTEST_SKIP() << "cannot run as an unprivileged user:\n" << probe;
    }

    ProgramResult run_restricted(const std::vector<std::string>& args) const {
        if (::geteuid() != 0) return run_program(program_, args, dir.path());
        return run_program(setpriv, wrapped(args), dir.path());
    }

    void TearDown() override {
        // Restore access so the directory can be removed.
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
            if (!e.is_symlink()) std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }

private:
    static constexpr const char* setpriv = "/usr/bin/setpriv";

    std::vector<std::string> wrapped(const std::vector<std::string>& args) const {
        std::vector<std::string> out = {"--reuid=65534", "--regid=65534", "--clear-groups", program_.string()};
        out.insert(out.end(), args.begin(), args.end());
        return out;
    }

    std::filesystem::path program_;
};

TEST_F(UnreadableInputTest, PackWithAnUnreadableFile) {
    dir.write_file("in/01.06", "x");
    std::filesystem::permissions(dir / "in", std::filesystem::perms::all);
    std::filesystem::permissions(dir / "in/01.06", std::filesystem::perms::none);
    const ProgramResult r = run_restricted({"qva-pack", "in", "out.qva"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "Packing files from \"in\" into \"out.qva\"\n");
    EXPECT_EQ(r.err, "Error: Permission denied\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.qva"));
}

TEST_F(UnreadableInputTest, PackWithAnUnreadableDirectory) {
    dir.write_file("in/01.06", "x");
    std::filesystem::permissions(dir / "in", std::filesystem::perms::none);
    const ProgramResult r = run_restricted({"qva-pack", "in", "out.qva"});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "Packing files from \"in\" into \"out.qva\"\n");
    EXPECT_EQ(r.err, "Error: Failed to read input directory\n\nCaused by:\n    Permission denied\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.qva"));
}

TEST_F(UnreadableInputTest, UnreadableArchiveAndDat) {
    write_qva(dir / "p.qva", {{"eor/portal", 1, 6, pattern_bytes(10, 1)}});
    DatWriter w;
    w.add(1, {1});
    ASSERT_TRUE(std::move(w).finish().write(dir / "p.dat"));
    for (const char* name : {"p.qva", "p.dat"}) {
        std::filesystem::permissions(dir / name, std::filesystem::perms::none);
        const ProgramResult r = run_restricted({"list", name});
        EXPECT_EQ(r.status, 1) << r;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, fmt::format("Error: Failed to open file at {}: Permission denied\n\nCaused by:\n    Permission denied\n", name));
    }
}

TEST_F(FaultsTest, ArchiveWriteCutShortKeepsTheOldArchive) {
    std::filesystem::create_directories(dir / "in");
    dir.write_file("in/01.06", pattern_bytes(40000, 1));
    const ProgramResult first = run({"qva-pack", "in", "out.qva"});
    ASSERT_EQ(first.status, 0) << first;
    const Bytes old = dir.read_file("out.qva");

    dir.write_file("in/02.06", pattern_bytes(100000, 2));
    // The new archive would be about 140 kB; writes beyond 64 KiB fail.
    const ProgramResult r = run_program("/usr/bin/prlimit", {"--fsize=65536", QUORVEL_TOOLS_EXE, "qva-pack", "in", "out.qva"}, dir.path());
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "Packing files from \"in\" into \"out.qva\"\n");
    EXPECT_EQ(r.err, "Error: Failed to write QVA file\n\nCaused by:\n    0: IO error: File too large\n    1: File too large\n");
    EXPECT_EQ(dir.read_file("out.qva"), old);
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"in", "out.qva"}));
}

TEST_F(FaultsTest, ExportCutShortByTheFileSizeLimitIsAnError) {
    write_qva(dir / "p.qva", {{"eor/portal", 1, 6, pattern_bytes(100000, 1)}});
    const ProgramResult r = run_program("/usr/bin/prlimit", {"--fsize=65536", QUORVEL_TOOLS_EXE, "export", "p.qva", "1"}, dir.path());
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: File too large\n");
}

}  // namespace
}  // namespace quorvel::test
