// Bounds-checked reads over a byte span.
#include "quorvel/common/byte_cursor.hpp"

#include <limits>

namespace quorvel {

RecordResult<void> ByteCursor::skip(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() - pos_)
        return std::unexpected(RecordError::invalid_position(pos_, "seek position overflows"));
    pos_ += n;
    return {};
}

RecordResult<void> ByteCursor::align(std::size_t alignment) {
    const std::size_t rest = pos_ % alignment;
    return rest == 0 ? RecordResult<void>{} : skip(alignment - rest);
}

RecordResult<std::span<const std::uint8_t>> ByteCursor::take(std::size_t n) {
    if (n > remaining()) return std::unexpected(RecordError::end_of_data(pos_));
    auto bytes = data_.subspan(pos_, n);
    pos_ += n;
    return bytes;
}

RecordResult<float> ByteCursor::f32() {
    auto bits = u32();
    if (!bits) return std::unexpected(std::move(bits.error()));
    return std::bit_cast<float>(*bits);
}

RecordResult<double> ByteCursor::f64() {
    auto bits = u64();
    if (!bits) return std::unexpected(std::move(bits.error()));
    return std::bit_cast<double>(*bits);
}

}  // namespace quorvel
