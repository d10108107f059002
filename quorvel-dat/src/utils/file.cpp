// Positional reads over POSIX file descriptors.
#include "quorvel/dat/utils/file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

std::expected<File, IoError> File::open_read(const std::filesystem::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::unexpected(IoError::from_errno(errno));
    return File(fd);
}

std::expected<void, IoError> read_exact_at_compat(const File& file, std::span<std::uint8_t> out, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < out.size()) {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - done)
            return std::unexpected(IoError::unexpected_eof());
        const ssize_t n = ::pread(file.fd(), out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(IoError::from_errno(errno));
        }
        if (n == 0) return std::unexpected(IoError::unexpected_eof());
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::expected<std::uint64_t, IoError> len_compat(const File& file) {
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0) return std::unexpected(IoError::from_errno(errno));
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace quorvel
