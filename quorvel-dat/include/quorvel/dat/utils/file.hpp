// Read-only files read by position: no shared cursor, interrupted reads retried.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>
#include <utility>

#include "quorvel/dat/error.hpp"

namespace quorvel {

/// An open file descriptor, closed on destruction; move-only.
class File {
public:
    File() = default;
    explicit File(int fd) : fd_(fd) {}
    File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    /// Opens read-only; fails with the operating system's error.
    static std::expected<File, IoError> open_read(const std::filesystem::path& path);

    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

/// Reads exactly `out.size()` bytes at absolute `offset`. Fails with the OS error, or with
/// "failed to fill whole buffer" when the file ends first.
std::expected<void, IoError> read_exact_at_compat(const File& file, std::span<std::uint8_t> out, std::uint64_t offset);

/// The file's current length in bytes.
std::expected<std::uint64_t, IoError> len_compat(const File& file);

}  // namespace quorvel
