// Whole-file reads and writes with every step checked (a full disk often shows only at close).
#include "quorvel/tools/file_io.hpp"

#include <algorithm>
#include <cerrno>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "quorvel/dat/utils/file.hpp"

namespace quorvel {

namespace {

Error os_error(int code) { return Error(IoError::from_errno(code).message()); }

Result<> write_with_flags(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, int flags) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
    if (fd < 0) return std::unexpected(os_error(errno));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return std::unexpected(os_error(code));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && errno != EINTR) return std::unexpected(os_error(errno));
    return {};
}

}  // namespace

Result<> write_whole_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    return write_with_flags(path, bytes, O_TRUNC);
}

Result<> write_new_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    // O_EXCL also refuses a symbolic link at `path`, so nothing is written through one.
    return write_with_flags(path, bytes, O_EXCL);
}

Result<std::span<const std::uint8_t>> read_whole_file_into(const std::filesystem::path& path,
                                                           std::vector<std::uint8_t>& buffer) {
    auto file = File::open_read(path);
    if (!file) return std::unexpected(Error(file.error().message()));
    // The length is only a hint: a file can change between the query and the reads, and some (those
    // under /proc) report 0, so the reads go on to the end of the file.
    auto length = len_compat(*file);
    if (!length) return std::unexpected(Error(length.error().message()));
    try {
        if (buffer.size() < *length) buffer.resize(static_cast<std::size_t>(*length));
        std::size_t done = 0;
        while (true) {
            // A full buffer is asked for one more byte, so that it grows only when the file has more.
            const bool full = done == buffer.size();
            std::uint8_t probe = 0;
            const ssize_t n = full ? ::pread(file->fd(), &probe, 1, static_cast<off_t>(done))
                                   : ::pread(file->fd(), buffer.data() + done, buffer.size() - done,
                                             static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::unexpected(os_error(errno));
            }
            if (n == 0) return std::span<const std::uint8_t>(buffer.data(), done);
            if (full) {
                buffer.resize(std::max<std::size_t>(buffer.size() * 2, 4096));
                buffer[done] = probe;
            }
            done += static_cast<std::size_t>(n);
        }
    } catch (const std::bad_alloc&) {
        return std::unexpected(os_error(ENOMEM));
    }
}

Result<> check_readable(const std::filesystem::path& path) {
    auto file = File::open_read(path);
    if (!file) return std::unexpected(Error(file.error().message()));
    return {};
}

}  // namespace quorvel
