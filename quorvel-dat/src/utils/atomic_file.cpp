// Temporary-file-and-rename writing over POSIX file descriptors.
#include "quorvel/dat/utils/atomic_file.hpp"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <fmt/format.h>

namespace quorvel {

namespace {

int open_retrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

/// A name for the temporary that another process, or another writer in this one, will not pick.
std::filesystem::path temporary_name(const std::filesystem::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    auto dir = target.parent_path();
    if (dir.empty()) dir = ".";
    return dir / fmt::format(".{}.tmp-{}-{}-{:x}", target.filename().string(), ::getpid(),
                             counter.fetch_add(1, std::memory_order_relaxed) + attempt, static_cast<std::uint64_t>(now));
}

}  // namespace

std::expected<AtomicFile, IoError> AtomicFile::create(const std::filesystem::path& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // Devices and FIFOs cannot be renamed over; a directory fails here with EISDIR.
        const int fd = open_retrying(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC, 0);
        if (fd < 0) return std::unexpected(IoError::from_errno(errno));
        return AtomicFile(fd, target, target, false);
    }

    // Replacing a symbolic link would cut it; replace the file it points to instead.
    std::filesystem::path final_target = target;
    struct stat lst {};
    if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        std::error_code ec;
        auto resolved = std::filesystem::canonical(target, ec);
        if (!ec) final_target = std::move(resolved);
    }

    constexpr unsigned max_attempts = 100;
    for (unsigned attempt = 0; attempt < max_attempts; ++attempt) {
        auto working = temporary_name(final_target, attempt);
        const int fd = open_retrying(working.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return AtomicFile(fd, std::move(final_target), std::move(working), true);
        if (errno != EEXIST) return std::unexpected(IoError::from_errno(errno));
    }
    return std::unexpected(IoError::from_errno(EEXIST));
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      target_(std::move(other.target_)),
      working_(std::move(other.working_)),
      replaces_(other.replaces_),
      position_(other.position_) {
    other.working_.clear();
}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept {
    if (this != &other) {
        discard();
        fd_ = std::exchange(other.fd_, -1);
        target_ = std::move(other.target_);
        working_ = std::move(other.working_);
        other.working_.clear();
        replaces_ = other.replaces_;
        position_ = other.position_;
    }
    return *this;
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (replaces_ && !working_.empty()) ::unlink(working_.c_str());
    working_.clear();
}

std::expected<void, IoError> AtomicFile::write(std::span<const std::uint8_t> data) {
    while (!data.empty()) {
        // Linux moves at most about 2 GiB per call; larger payloads take several.
        const std::size_t chunk = std::min<std::size_t>(data.size(), std::size_t{1} << 30);
        const ssize_t n = ::write(fd_, data.data(), chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(IoError::from_errno(errno));
        }
        if (n == 0) return std::unexpected(IoError::from_errno(EIO));
        data = data.subspan(static_cast<std::size_t>(n));
        position_ += static_cast<std::uint64_t>(n);
    }
    return {};
}

std::expected<void, IoError> AtomicFile::seek(std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return std::unexpected(IoError::from_errno(EINVAL));
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return std::unexpected(IoError::from_errno(errno));
    position_ = offset;
    return {};
}

std::expected<void, IoError> AtomicFile::commit() && {
    const int fd = std::exchange(fd_, -1);
    // After an interrupted close the descriptor is gone on Linux; only a real error counts.
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        discard();
        return std::unexpected(IoError::from_errno(error));
    }
    if (replaces_ && ::rename(working_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        discard();
        return std::unexpected(IoError::from_errno(error));
    }
    working_.clear();
    return {};
}

}  // namespace quorvel
