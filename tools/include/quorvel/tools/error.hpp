// The program's error: messages outermost first, built from library errors and wrapped with context.
#pragma once

#include <expected>
#include <string>
#include <vector>

#include "quorvel/dat/error.hpp"

namespace quorvel {

class Error {
public:
    explicit Error(std::string message) { messages_.push_back(std::move(message)); }
    /// A library error: its message, then its cause if it has one.
    Error(const DatError& error);  // NOLINT: library errors convert implicitly
    Error(const RecordError& error);  // NOLINT

    /// Wraps the error: `message` becomes the first line, the old messages its causes.
    Error context(std::string message) &&;

    /// Outermost first; [0] is the message, the rest its causes.
    const std::vector<std::string>& messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

template <class T = void>
using Result = std::expected<T, Error>;

/// The report on standard error: "Error: ...", then "Caused by:" and the causes.
std::string format_error_report(const Error& error);

}  // namespace quorvel
