// The progress line on standard error: counters, units, and in-place redrawing on a terminal.
#include "quorvel/tools/progress.hpp"

#include <array>
#include <cerrno>

#include <fmt/format.h>

namespace quorvel {

namespace {

constexpr auto redraw_interval = std::chrono::milliseconds(250);

// Progress is a courtesy: a failed write to the terminal must not fail the command.
void write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

std::string format_byte_count(std::uint64_t bytes) {
    constexpr std::array<const char*, 6> units{"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return fmt::format("{} B", bytes);
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // 1023.96 KiB would print as "1024.0 KiB"; step up before rounding can reach 1024.
    while (value >= 1023.95 && unit + 1 < units.size()) {
        value /= 1024;
        ++unit;
    }
    return fmt::format("{:.1f} {}", value, units[unit]);
}

std::string format_progress_line(std::string_view label, std::uint64_t done, std::optional<std::uint64_t> total,
                                 std::uint64_t bytes, double seconds) {
    std::string line = total ? fmt::format("{}: {}/{} entries, {}", label, done, *total, format_byte_count(bytes))
                             : fmt::format("{}: {} entries, {}", label, done, format_byte_count(bytes));
    if (seconds > 0) {
        const double rate = static_cast<double>(bytes) / seconds;
        line += fmt::format(", {}/s", format_byte_count(static_cast<std::uint64_t>(rate)));
    }
    return line;
}

Progress::Progress(std::string label, std::optional<std::uint64_t> total, int fd)
    : label_(std::move(label)),
      total_(total),
      fd_(fd),
      enabled_(::isatty(fd) == 1),
      start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {}

Progress::~Progress() { clear(); }

void Progress::advance(std::uint64_t bytes) {
    ++done_;
    bytes_ += bytes;
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ < redraw_interval) return;
    last_draw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    draw(format_progress_line(label_, done_, total_, bytes_, seconds));
}

void Progress::show(std::string_view text) {
    if (!enabled_) return;
    last_draw_ = std::chrono::steady_clock::now();
    draw(fmt::format("{}: {}", label_, text));
}

void Progress::clear() {
    if (!enabled_ || drawn_width_ == 0) return;
    write_all(fd_, fmt::format("\r{:{}}\r", "", drawn_width_));
    drawn_width_ = 0;
}

void Progress::draw(std::string_view line) {
    // Blanks over the rest of a longer earlier line, then back to the end of this one.
    const std::size_t pad = drawn_width_ > line.size() ? drawn_width_ - line.size() : 0;
    write_all(fd_, fmt::format("\r{}{:{}}", line, "", pad));
    if (pad > 0) write_all(fd_, fmt::format("\r{}", line));
    drawn_width_ = line.size();
}

}  // namespace quorvel
