// Tests of the logging facade.
#include "quorvel/dat/log.hpp"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

struct Captured {
    LogLevel level;
    std::string target;
    std::string message;
};

TEST(Log, NothingIsShownWithoutASink) {
    EXPECT_FALSE(log_enabled());
    log_record(LogLevel::Error, "t", "dropped");
    log_warn("t", "dropped {}", 1);
}

TEST(Log, RecordsReachTheInstalledSink) {
    std::vector<Captured> seen;
    const LogSink previous = set_log_sink([&](const LogRecord& r) {
        seen.push_back({r.level, std::string(r.target), std::string(r.message)});
    });
    EXPECT_TRUE(log_enabled());
    log_warn("quorvel_dat::archive", "Compression failed for {0}:0x{1:08X}: {2}", "eor/cell", 0xABCDu, "boom");
    log_record(LogLevel::Info, "other", "plain");
    set_log_sink(previous);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].level, LogLevel::Warn);
    EXPECT_EQ(seen[0].target, "quorvel_dat::archive");
    EXPECT_EQ(seen[0].message, "Compression failed for eor/cell:0x0000ABCD: boom");
    EXPECT_EQ(seen[1].level, LogLevel::Info);
    EXPECT_EQ(seen[1].message, "plain");
    EXPECT_FALSE(log_enabled());
}

TEST(Log, ASinkThatThrowsLosesOnlyItsRecord) {
    const LogSink previous = set_log_sink([](const LogRecord&) { throw std::runtime_error("sink broke"); });
    EXPECT_NO_THROW(log_warn("t", "{}", 1));
    set_log_sink(previous);
}

}  // namespace
}  // namespace quorvel
