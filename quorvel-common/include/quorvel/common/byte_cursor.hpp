// A non-owning view of bytes with a read position; every record decoder reads through one.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "quorvel/common/record_error.hpp"

namespace quorvel {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t position() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    /// Bytes left; 0 when the position stands at or past the end.
    std::size_t remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
    std::span<const std::uint8_t> data() const { return data_; }

    /// Moves to an absolute position; positions past the end are allowed (the next read fails).
    void seek(std::size_t position) { pos_ = position; }

    /// Moves forward without reading; the bytes need not exist. Fails only if the position would overflow.
    RecordResult<void> skip(std::size_t n);

    /// Rounds the position up to a multiple of `alignment` (a power of two); fails only on overflow.
    RecordResult<void> align(std::size_t alignment);

    /// The next `n` bytes, consumed; fails with end of data (position unchanged) if fewer remain.
    RecordResult<std::span<const std::uint8_t>> take(std::size_t n);

    RecordResult<std::uint8_t> u8() { return read_le<std::uint8_t>(); }
    RecordResult<std::uint16_t> u16() { return read_le<std::uint16_t>(); }
    RecordResult<std::uint32_t> u32() { return read_le<std::uint32_t>(); }
    RecordResult<std::uint64_t> u64() { return read_le<std::uint64_t>(); }
    RecordResult<std::int32_t> i32() { return read_le<std::int32_t>(); }
    RecordResult<std::int64_t> i64() { return read_le<std::int64_t>(); }
    RecordResult<float> f32();
    RecordResult<double> f64();

private:
    template <class T>
    RecordResult<T> read_le() {
        auto bytes = take(sizeof(T));
        if (!bytes) return std::unexpected(std::move(bytes.error()));
        using U = std::make_unsigned_t<T>;
        U value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<U>(static_cast<U>((*bytes)[i]) << (8 * i));
        return static_cast<T>(value);
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

/// Little-endian load from a buffer already known to hold the bytes.
template <class T>
T load_le(const std::uint8_t* p) {
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
    return static_cast<T>(value);
}

/// Little-endian store, the inverse of load_le.
template <class T>
void store_le(std::uint8_t* p, T value) {
    using U = std::make_unsigned_t<T>;
    auto v = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace quorvel
