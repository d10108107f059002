// Tests of the error report: no cause, one cause, numbered causes, multi-line messages.
#include "quorvel/tools/error.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

Error chain(std::vector<std::string> outermost_first) {
    Error error(outermost_first.back());
    for (auto it = outermost_first.rbegin() + 1; it != outermost_first.rend(); ++it) error = std::move(error).context(*it);
    return error;
}

struct ReportCase {
    std::vector<std::string> messages;
    std::string report;

    friend void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.messages.size() << " messages"; }
};

class FormatErrorReportTest : public testing::TestWithParam<ReportCase> {};

TEST_P(FormatErrorReportTest, Formats) {
    const Error error = chain(GetParam().messages);
    EXPECT_EQ(error.messages(), GetParam().messages);
    EXPECT_EQ(format_error_report(error), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatErrorReportTest,
    testing::Values(
        ReportCase{{"invalid digit found in string"}, "Error: invalid digit found in string\n"},
        ReportCase{{"outer", "inner"}, "Error: outer\n\nCaused by:\n    inner\n"},
        ReportCase{{"a", "b", "c"}, "Error: a\n\nCaused by:\n    0: b\n    1: c\n"},
        ReportCase{{"outer", "first\nsecond\n\nlast"}, "Error: outer\n\nCaused by:\n    first\n    second\n    \n    last\n"},
        ReportCase{{"a", "b1\nb2", "c"}, "Error: a\n\nCaused by:\n    0: b1\n       b2\n    1: c\n"},
        // The first line is the message as it is, continuation lines included.
        ReportCase{{"top\nmore"}, "Error: top\nmore\n"},
        ReportCase{{"m", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
                   "Error: m\n\nCaused by:\n    0: 0\n    1: 1\n    2: 2\n    3: 3\n    4: 4\n    5: 5\n    6: 6\n"
                   "    7: 7\n    8: 8\n    9: 9\n   10: 10\n"}));

TEST(ErrorTest, LibraryErrorKeepsItsCause) {
    const Error error = DatError::io(IoError::unexpected_eof());
    ASSERT_EQ(error.messages().size(), 2u);
    EXPECT_EQ(error.messages()[1], "failed to fill whole buffer");
    EXPECT_EQ(format_error_report(error), "Error: " + error.messages()[0] + "\n\nCaused by:\n    failed to fill whole buffer\n");
}

}  // namespace
}  // namespace quorvel
