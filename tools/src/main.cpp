// Entry point: parse, run one handler, report its error; only here is the exit status decided.
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "quorvel/tools/cli.hpp"

int main(int argc, char** argv) {
    // Past a file-size limit a write then fails with EFBIG like any other write, so the error is
    // reported and a half-written archive's temporary removed, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    auto parsed = quorvel::parse_command_line(argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) return *status;

    quorvel::Output out(STDOUT_FILENO);
    auto result = quorvel::dispatch(std::get<quorvel::Commands>(parsed), out);
    // Standard output is flushed before any error report, so the two never interleave.
    auto flushed = out.flush();
    if (!result) flushed = std::move(result);
    if (!flushed) {
        const std::string report = quorvel::format_error_report(flushed.error());
        std::fwrite(report.data(), 1, report.size(), stderr);
        return 1;
    }
    return 0;
}
