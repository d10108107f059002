// Running a program as a child process and collecting what it printed, for end-to-end tests.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace quorvel::test {

/// What a finished program left behind.
struct ProgramResult {
    int status = -1;  // the exit status, or 128 + the signal number when a signal ended it
    std::string out;  // everything written to standard output
    std::string err;  // everything written to standard error
};

/// Shows all three parts, so a failed expectation on a result explains itself.
std::ostream& operator<<(std::ostream& os, const ProgramResult& result);

/// Runs `program` with `args` (the arguments after the program name, passed as they are: no shell,
/// no globbing, any bytes) in the directory `cwd` (the current one when empty), with standard input
/// from /dev/null and the environment inherited, and waits for it to end.
/// Throws std::runtime_error when the process cannot be started at all; a program that cannot be
/// executed ends with status 127 and says why on its standard error.
ProgramResult run_program(const std::filesystem::path& program, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd = {});

/// `run_program` on the quorvel-tools executable of this build.
ProgramResult run_tools(const std::vector<std::string>& args, const std::filesystem::path& cwd = {});

}  // namespace quorvel::test
