// A one-line progress display on standard error, drawn only when that is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <unistd.h>

namespace quorvel {

/// "512 B", "1.5 KiB", "12.3 MiB", ... (binary units, one decimal above bytes). Never fails.
std::string format_byte_count(std::uint64_t bytes);

/// "{label}: {done}/{total} entries, {bytes}, {rate}/s"; without "/{total}" when the total is not
/// known, and without the rate before any time has passed. Never fails.
std::string format_progress_line(std::string_view label, std::uint64_t done, std::optional<std::uint64_t> total,
                                 std::uint64_t bytes, double seconds);

/// Counts entries and bytes and redraws one line in place at most four times a second. When `fd`
/// is not a terminal every call does nothing, so scripts see exactly the output they saw before.
/// The line is erased when the object is destroyed.
class Progress {
public:
    explicit Progress(std::string label, std::optional<std::uint64_t> total = std::nullopt, int fd = STDERR_FILENO);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    /// One more entry of `bytes` bytes is done.
    void advance(std::uint64_t bytes);
    /// Shows `text` at once in place of the counters, for a step that reports no progress of its own.
    void show(std::string_view text);
    /// Erases the line; a later call draws again.
    void clear();

    bool enabled() const { return enabled_; }

private:
    void draw(std::string_view line);

    std::string label_;
    std::optional<std::uint64_t> total_;
    int fd_;
    bool enabled_;
    std::uint64_t done_ = 0;
    std::uint64_t bytes_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
    std::size_t drawn_width_ = 0;
};

}  // namespace quorvel
