// Standard output through one large buffer: no per-line flush, and the final write is checked.
#pragma once

#include <fmt/format.h>

#include "quorvel/tools/error.hpp"

namespace quorvel {

class Output {
public:
    /// Writes to `fd`; with -1 everything stays in memory (for tests).
    explicit Output(int fd = -1) : fd_(fd) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    template <class... Args>
    void print(fmt::format_string<Args...> format, Args&&... args) {
        fmt::format_to(std::back_inserter(buffer_), format, std::forward<Args>(args)...);
        if (fd_ >= 0 && buffer_.size() >= flush_threshold) write_out();
    }

    void write(std::string_view text) {
        buffer_.append(text.data(), text.data() + text.size());
        if (fd_ >= 0 && buffer_.size() >= flush_threshold) write_out();
    }

    /// Writes what is buffered; fails if any write so far failed.
    Result<> flush();

    /// What is buffered and not yet written (everything, for an in-memory output).
    std::string_view buffered() const { return {buffer_.data(), buffer_.size()}; }

private:
    static constexpr std::size_t flush_threshold = 1 << 16;

    void write_out();

    int fd_;
    fmt::memory_buffer buffer_;
    int write_errno_ = 0;
};

}  // namespace quorvel
