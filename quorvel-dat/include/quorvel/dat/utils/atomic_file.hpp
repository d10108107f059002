// Writes a file so that its path only ever shows the old contents or the complete new ones.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <span>

#include "quorvel/dat/error.hpp"

namespace quorvel {

/// A file being written. Bytes go to a temporary file beside the target, created exclusively, which
/// `commit` renames over the target; until then the target is untouched, and a file never committed
/// is removed. An existing target that is not a regular file (a device such as /dev/null, a FIFO)
/// cannot be replaced and is written directly instead. Move-only.
class AtomicFile {
public:
    /// Opens the temporary (mode 0666 less the umask) or, for a target that exists and is not a
    /// regular file, the target itself. Fails with the operating system's error, for instance when
    /// the target's directory does not exist.
    static std::expected<AtomicFile, IoError> create(const std::filesystem::path& target);

    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    /// Closes the file and removes the temporary unless it was committed.
    ~AtomicFile();

    /// Writes all of `data` at the current position. Fails with the operating system's error.
    std::expected<void, IoError> write(std::span<const std::uint8_t> data);

    /// The current position: the bytes written since the start or the last seek.
    std::uint64_t position() const { return position_; }

    /// Moves the position to `offset` from the start. Fails with the operating system's error (a pipe
    /// cannot seek).
    std::expected<void, IoError> seek(std::uint64_t offset);

    /// Closes the file and renames the temporary over the target. Fails with the operating system's
    /// error when the close (where a full disk often shows) or the rename fails; the temporary is
    /// then removed and the target keeps its old contents.
    std::expected<void, IoError> commit() &&;

    /// Where the bytes go until the commit: the temporary, or the target when written directly.
    const std::filesystem::path& working_path() const { return working_; }

    /// False when the target is not a regular file and is written directly.
    bool replaces_target() const { return replaces_; }

private:
    AtomicFile(int fd, std::filesystem::path target, std::filesystem::path working, bool replaces)
        : fd_(fd), target_(std::move(target)), working_(std::move(working)), replaces_(replaces) {}

    void discard() noexcept;

    int fd_ = -1;
    std::filesystem::path target_;
    std::filesystem::path working_;
    bool replaces_ = true;
    std::uint64_t position_ = 0;
};

}  // namespace quorvel
