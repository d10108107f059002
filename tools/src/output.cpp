// Buffered writes to a file descriptor with the first failure remembered.
#include "quorvel/tools/output.hpp"

#include <cerrno>
#include <unistd.h>

namespace quorvel {

void Output::write_out() {
    std::size_t done = 0;
    while (done < buffer_.size() && write_errno_ == 0) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno != EINTR) write_errno_ = errno;
            continue;
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

Result<> Output::flush() {
    if (fd_ >= 0) write_out();
    if (write_errno_ != 0)
        return std::unexpected(Error(IoError::from_errno(write_errno_).message()).context("Failed to write to standard output"));
    return {};
}

}  // namespace quorvel
