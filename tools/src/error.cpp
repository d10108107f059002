// The program's error value and its report.
#include "quorvel/tools/error.hpp"

#include <fmt/format.h>

namespace quorvel {

Error::Error(const DatError& error) {
    messages_.push_back(error.message());
    if (auto cause = error.cause()) messages_.push_back(std::move(*cause));
}

Error::Error(const RecordError& error) { messages_.push_back(error.text()); }

Error Error::context(std::string message) && {
    messages_.insert(messages_.begin(), std::move(message));
    return std::move(*this);
}

namespace {

// Continuation lines of a multi-line message line up with the text of its first line.
void append_indented(std::string& out, std::string_view message, std::string_view indent) {
    std::size_t start = 0;
    while (true) {
        const std::size_t end = message.find('\n', start);
        if (start > 0) out += indent;
        out += message.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        out += '\n';
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

}  // namespace

std::string format_error_report(const Error& error) {
    const auto& messages = error.messages();
    std::string out = "Error: ";
    out += messages.front();
    out += '\n';
    if (messages.size() == 1) return out;
    out += "\nCaused by:\n";
    if (messages.size() == 2) {
        out += "    ";
        append_indented(out, messages[1], "    ");
        return out;
    }
    for (std::size_t i = 1; i < messages.size(); ++i) {
        out += fmt::format("{:>5}: ", i - 1);
        append_indented(out, messages[i], "       ");
    }
    return out;
}

}  // namespace quorvel
