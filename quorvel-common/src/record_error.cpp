// Construction and rendering of record-read errors.
#include "quorvel/common/record_error.hpp"

#include <fmt/format.h>

namespace quorvel {

RecordError RecordError::end_of_data(std::size_t position) {
    return RecordError(Kind::EndOfData, position, std::string(end_of_data_text));
}

RecordError RecordError::assertion(std::size_t position, std::string message) {
    return RecordError(Kind::Assertion, position, std::move(message));
}

RecordError RecordError::invalid_position(std::size_t position, std::string message) {
    return RecordError(Kind::InvalidPosition, position, std::move(message));
}

RecordError RecordError::io(std::size_t position, std::string message) {
    return RecordError(Kind::Io, position, std::move(message));
}

void RecordError::add_frame(std::string_view field, std::string_view record) {
    frames_.push_back(fmt::format("While parsing field '{}' in {}", field, record));
}

std::string RecordError::text() const {
    std::string out = cause_;
    for (const auto& frame : frames_) {
        out += '\n';
        out += frame;
    }
    return out;
}

}  // namespace quorvel
