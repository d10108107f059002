// Builds little-endian byte records field by field, for tests, samples and fuzz seeds.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quorvel::test {

class ByteBuilder {
public:
    ByteBuilder& u8(std::uint8_t v) { return le(v); }
    ByteBuilder& u16(std::uint16_t v) { return le(v); }
    ByteBuilder& u32(std::uint32_t v) { return le(v); }
    ByteBuilder& u64(std::uint64_t v) { return le(v); }
    ByteBuilder& i32(std::int32_t v) { return le(static_cast<std::uint32_t>(v)); }
    ByteBuilder& f32(float v);
    ByteBuilder& f64(double v);
    ByteBuilder& bytes(std::span<const std::uint8_t> b);
    ByteBuilder& text(std::string_view s);
    /// `n` copies of `value`.
    ByteBuilder& fill(std::size_t n, std::uint8_t value = 0);
    /// Zero bytes up to the next multiple of `alignment`.
    ByteBuilder& align(std::size_t alignment);

    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::vector<std::uint8_t> take() { return std::move(data_); }

private:
    template <class T>
    ByteBuilder& le(T v) {
        for (std::size_t i = 0; i < sizeof(T); ++i) data_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }

    std::vector<std::uint8_t> data_;
};

}  // namespace quorvel::test
