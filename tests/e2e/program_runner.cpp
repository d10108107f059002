// Runs a child with fork/exec and drains both output pipes together, so a chatty child never blocks.
#include "program_runner.hpp"

#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::test {

namespace {

[[noreturn]] void fail(const char* what) { throw std::runtime_error(std::string(what) + ": " + std::strerror(errno)); }

// Closes the descriptors it owns when the runner leaves by an exception.
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (::pipe2(fd, O_CLOEXEC) != 0) fail("pipe2");
    }
    ~Pipe() {
        for (int f : fd)
            if (f >= 0) ::close(f);
    }
    void close_end(int i) {
        ::close(fd[i]);
        fd[i] = -1;
    }
};

// In the child only async-signal-safe calls are made.
[[noreturn]] void exec_child(const char* program, char* const* argv, const char* cwd, int out_fd, int err_fd) {
    const int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd < 0 || ::dup2(null_fd, STDIN_FILENO) < 0 || ::dup2(out_fd, STDOUT_FILENO) < 0 ||
        ::dup2(err_fd, STDERR_FILENO) < 0)
        ::_exit(127);
    if (null_fd != STDIN_FILENO) ::close(null_fd);
    if (cwd != nullptr && ::chdir(cwd) != 0) {
        static constexpr char message[] = "program_runner: cannot change to the working directory\n";
        (void)!::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    ::execv(program, argv);
    static constexpr char message[] = "program_runner: cannot execute the program\n";
    (void)!::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(127);
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const ProgramResult& result) {
    return os << "status " << result.status << "\n--- stdout ---\n" << result.out << "\n--- stderr ---\n" << result.err;
}

ProgramResult run_program(const std::filesystem::path& program, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd) {
    // Everything the child needs is prepared before fork.
    std::vector<std::string> strings;
    strings.push_back(program.native());
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    const std::string cwd_text = cwd.native();

    Pipe out;
    Pipe err;
    const pid_t pid = ::fork();
    if (pid < 0) fail("fork");
    if (pid == 0) exec_child(strings[0].c_str(), argv.data(), cwd_text.empty() ? nullptr : cwd_text.c_str(), out.fd[1], err.fd[1]);
    out.close_end(1);
    err.close_end(1);

    ProgramResult result;
    std::array<pollfd, 2> fds{{{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&result.out, &result.err};
    int open_count = 2;
    while (open_count > 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            fail("poll");
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;  // end of output (or a broken pipe): stop watching it
                --open_count;
            }
        }
    }

    int wait_status = 0;
    while (::waitpid(pid, &wait_status, 0) < 0) {
        if (errno != EINTR) fail("waitpid");
    }
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    return result;
}

ProgramResult run_tools(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
    return run_program(QUORVEL_TOOLS_EXE, args, cwd);
}

}  // namespace quorvel::test
