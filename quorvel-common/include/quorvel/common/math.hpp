// Geometry value types embedded in world records: a vector and a rotation, with their readers.
#pragma once

#include <string>
#include <string_view>

#include <fmt/format.h>

#include "quorvel/common/byte_cursor.hpp"

namespace quorvel {

/// Three 32-bit floats, x, y, z on disk (12 bytes).
struct Vector3 {
    static constexpr std::size_t size = 12;

    float x = 0;
    float y = 0;
    float z = 0;

    bool operator==(const Vector3&) const = default;
};

/// A rotation kept exactly as stored; the scalar part `w` comes first on disk (16 bytes).
struct Quaternion {
    static constexpr std::size_t size = 16;

    float w = 0;
    float x = 0;
    float y = 0;
    float z = 0;

    bool operator==(const Quaternion&) const = default;
};

/// Reads x, y, z. Fails with end of data, framed by the missing field, when fewer than 12 bytes remain.
RecordResult<Vector3> read_vector3(ByteCursor& cursor);

/// Reads w, x, y, z. Fails with end of data, framed by the missing field, when fewer than 16 bytes remain.
RecordResult<Quaternion> read_quaternion(ByteCursor& cursor);

/// One component as the text form shows it: shortest round-trip digits of the 32-bit value,
/// positional for zero and magnitudes in [1e-4, 1e16), exponent form otherwise; "NaN", "inf", "-inf".
/// Never fails.
std::string float_to_string(float value);

/// "Vector3 { x: 1.0, y: -2.0, z: 0.0 }". Never fails.
std::string to_string(const Vector3& v);

}  // namespace quorvel

template <>
struct fmt::formatter<quorvel::Vector3> : fmt::formatter<std::string_view> {
    template <class FormatContext>
    auto format(const quorvel::Vector3& v, FormatContext& ctx) const {
        return fmt::formatter<std::string_view>::format(quorvel::to_string(v), ctx);
    }
};
