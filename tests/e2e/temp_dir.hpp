// A fresh directory per test, removed with everything in it afterwards; and the end-to-end fixture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "program_runner.hpp"

namespace quorvel::test {

class TempDir {
public:
    /// Creates a new empty directory under the system's temporary directory; throws when it cannot.
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// `path() / relative`.
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

    /// Writes `bytes` to `path() / relative`, creating parent directories; returns the full path.
    /// Throws when the file cannot be written.
    std::filesystem::path write_file(const std::filesystem::path& relative, std::span<const std::uint8_t> bytes) const;
    std::filesystem::path write_file(const std::filesystem::path& relative, std::string_view text) const;

    /// The whole content of `path() / relative`; throws when it cannot be read.
    std::vector<std::uint8_t> read_file(const std::filesystem::path& relative) const;
    std::string read_text(const std::filesystem::path& relative) const;

private:
    std::filesystem::path path_;
};

/// Base of end-to-end tests: a temporary directory, and quorvel-tools run inside it.
///
///     TEST_F(E2eTest, ...) {
///         dir.write_file("in/06000123.jpg", bytes);
///         const ProgramResult r = run({"qva-pack", "in", "out.qva"});
///         EXPECT_EQ(r.status, 0) << r;
///     }
class E2eTest : public testing::Test {
protected:
    /// Runs quorvel-tools with `args` in `dir`.
    ProgramResult run(const std::vector<std::string>& args) const { return run_tools(args, dir.path()); }

    TempDir dir;
};

}  // namespace quorvel::test
