// A minimal logging facade: records with a level and a target go to one process-wide sink, none by default.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace quorvel {

enum class LogLevel { Error, Warn, Info, Debug, Trace };

struct LogRecord {
    LogLevel level;
    std::string_view target;  // the emitting module, e.g. "quorvel_dat::archive"
    std::string_view message;
};

using LogSink = std::function<void(const LogRecord&)>;

/// Installs `sink` for the whole process (an empty function drops every record) and returns the
/// previous one. Install it before the library is used; the sink itself is not synchronised.
LogSink set_log_sink(LogSink sink);

/// True when a sink is installed, so callers can skip formatting records nobody sees.
bool log_enabled() noexcept;

/// Hands one record to the sink, if any. Never fails: a record the sink throws on is dropped.
void log_record(LogLevel level, std::string_view target, std::string_view message) noexcept;

/// Formats and emits a warning; formats nothing when no sink is installed. Never fails.
template <class... Args>
void log_warn(std::string_view target, fmt::format_string<Args...> format, Args&&... args) noexcept {
    if (!log_enabled()) return;
    try {
        log_record(LogLevel::Warn, target, fmt::format(format, std::forward<Args>(args)...));
    } catch (...) {
        // Logging must never turn into a failure of the operation being logged.
    }
}

}  // namespace quorvel
