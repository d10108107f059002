// Tests of the progress line: its text, silence off a terminal, drawing and erasing on one.
#include "quorvel/tools/progress.hpp"

#include <array>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(ProgressTest, ByteCountsInBinaryUnits) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.0 KiB"},
        {1536, "1.5 KiB"},
        {1048575, "1.0 MiB"},  // not "1024.0 KiB"
        {5 * 1048576ull + 314573, "5.3 MiB"},
        {3ull << 30, "3.0 GiB"},
        {UINT64_MAX, "16.0 EiB"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(format_byte_count(bytes), text) << bytes;
}

TEST(ProgressTest, LineShowsCountsBytesAndRate) {
    EXPECT_EQ(format_progress_line("unpack", 12, 3000, 2 * 1048576, 0.5), "unpack: 12/3000 entries, 2.0 MiB, 4.0 MiB/s");
    EXPECT_EQ(format_progress_line("qva-pack", 7, std::nullopt, 100, 1.0), "qva-pack: 7 entries, 100 B, 100 B/s");
    EXPECT_EQ(format_progress_line("verify", 0, 5, 0, 0.0), "verify: 0/5 entries, 0 B");
}

// Everything readable on `fd` without waiting.
std::string drain(int fd) {
    std::string text;
    char buffer[256];
    while (::poll(std::array<pollfd, 1>{pollfd{fd, POLLIN, 0}}.data(), 1, 0) == 1) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

TEST(ProgressTest, SilentWhenNotATerminal) {
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    {
        Progress progress("verify", 2, pipe_fds[1]);
        EXPECT_FALSE(progress.enabled());
        progress.advance(10);
        progress.show("writing");
        progress.clear();
    }
    EXPECT_EQ(drain(pipe_fds[0]), "");
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
}

TEST(ProgressTest, OnATerminalDrawsInPlaceAndErasesAtTheEnd) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    {
        Progress progress("qva-pack", std::nullopt, terminal);
        EXPECT_TRUE(progress.enabled());
        progress.show("writing 12 entries");
        // A shorter text blanks out the rest of the longer one and returns to its own end.
        progress.show("done");
    }
    // The terminal's output processing turns each "\n" into "\r\n"; none is written here.
    EXPECT_EQ(drain(master),
              "\rqva-pack: writing 12 entries"
              "\rqva-pack: done              \rqva-pack: done"
              "\r              \r");
    ::close(terminal);
    ::close(master);
}

}  // namespace
}  // namespace quorvel
