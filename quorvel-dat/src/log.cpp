// The process-wide log sink.
#include "quorvel/dat/log.hpp"

namespace quorvel {

namespace {

LogSink& sink() {
    static LogSink instance;
    return instance;
}

}  // namespace

LogSink set_log_sink(LogSink new_sink) { return std::exchange(sink(), std::move(new_sink)); }

bool log_enabled() noexcept { return static_cast<bool>(sink()); }

void log_record(LogLevel level, std::string_view target, std::string_view message) noexcept {
    if (!sink()) return;
    try {
        sink()(LogRecord{level, target, message});
    } catch (...) {
        // A sink that throws loses its record; the caller's operation goes on.
    }
}

}  // namespace quorvel
