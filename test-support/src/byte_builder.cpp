// Field-by-field little-endian byte building.
#include "quorvel/test_support/byte_builder.hpp"

#include <bit>

namespace quorvel::test {

ByteBuilder& ByteBuilder::f32(float v) { return u32(std::bit_cast<std::uint32_t>(v)); }
ByteBuilder& ByteBuilder::f64(double v) { return u64(std::bit_cast<std::uint64_t>(v)); }

ByteBuilder& ByteBuilder::bytes(std::span<const std::uint8_t> b) {
    data_.insert(data_.end(), b.begin(), b.end());
    return *this;
}

ByteBuilder& ByteBuilder::text(std::string_view s) {
    data_.insert(data_.end(), s.begin(), s.end());
    return *this;
}

ByteBuilder& ByteBuilder::fill(std::size_t n, std::uint8_t value) {
    data_.insert(data_.end(), n, value);
    return *this;
}

ByteBuilder& ByteBuilder::align(std::size_t alignment) {
    while (data_.size() % alignment != 0) data_.push_back(0);
    return *this;
}

}  // namespace quorvel::test
