// The failure of a record decoder: an innermost cause plus one context frame per enclosing field.
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

class RecordError {
public:
    enum class Kind { EndOfData, Assertion, InvalidPosition, Io };

    static constexpr std::string_view end_of_data_text = "failed to fill whole buffer";

    static RecordError end_of_data(std::size_t position);
    static RecordError assertion(std::size_t position, std::string message);
    static RecordError invalid_position(std::size_t position, std::string message);
    /// A failure of the underlying stream while a record was written (or read), carrying its text.
    static RecordError io(std::size_t position, std::string message);

    Kind kind() const { return kind_; }
    std::size_t position() const { return position_; }
    /// The innermost cause's message alone.
    const std::string& cause() const { return cause_; }
    /// Context lines, innermost first.
    const std::vector<std::string>& frames() const { return frames_; }

    /// Wraps the error in "While parsing field '{field}' in {record}".
    void add_frame(std::string_view field, std::string_view record);

    /// The cause, then one line per frame, innermost first.
    std::string text() const;

    bool operator==(const RecordError&) const = default;

private:
    RecordError(Kind kind, std::size_t position, std::string cause)
        : kind_(kind), position_(position), cause_(std::move(cause)) {}

    Kind kind_;
    std::size_t position_;
    std::string cause_;
    std::vector<std::string> frames_;
};

template <class T>
using RecordResult = std::expected<T, RecordError>;

}  // namespace quorvel
