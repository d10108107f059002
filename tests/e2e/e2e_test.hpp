// The end-to-end fixture: a temporary directory, and the program run inside it.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_runner.hpp"
#include "quorvel/test_support/temp_dir.hpp"

namespace quorvel::test {

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
