// Readers and the text form of the geometry value types.
#include "quorvel/common/math.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "quorvel/common/record_reader.hpp"

namespace quorvel {

RecordResult<Vector3> read_vector3(ByteCursor& cursor) {
    RecordReader r(cursor, "Vector3");
    Vector3 v;
    v.x = r.f32("x");
    v.y = r.f32("y");
    v.z = r.f32("z");
    return r.finish(v);
}

RecordResult<Quaternion> read_quaternion(ByteCursor& cursor) {
    RecordReader r(cursor, "Quaternion");
    Quaternion q;
    q.w = r.f32("w");
    q.x = r.f32("x");
    q.y = r.f32("y");
    q.z = r.f32("z");
    return r.finish(q);
}

std::string float_to_string(float value) {
    if (std::isnan(value)) return "NaN";
    std::string out = std::signbit(value) ? "-" : "";
    const float magnitude = std::fabs(value);
    if (std::isinf(magnitude)) return out + "inf";

    // Scientific form of the float overload yields the shortest digits that read back to the same
    // 32-bit value; the decimal point is then placed here, so no double widening creeps in.
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    if (ec != std::errc{}) return out + "NaN";  // cannot happen: 32 bytes hold any float
    const std::string_view sci(buf, static_cast<std::size_t>(end - buf));
    const auto e_pos = sci.find('e');
    std::string digits;
    for (const char c : sci.substr(0, e_pos))
        if (c != '.') digits += c;
    const int exponent = std::atoi(std::string(sci.substr(e_pos + 1)).c_str());

    const bool positional = magnitude == 0.0f || (magnitude >= 1e-4f && magnitude < 1e16f);
    if (!positional) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'e';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const auto int_len = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= int_len) {
        out += digits;
        out.append(int_len - digits.size(), '0');
        out += ".0";
    } else {
        out.append(digits, 0, int_len);
        out += '.';
        out.append(digits, int_len);
    }
    return out;
}

std::string to_string(const Vector3& v) {
    return "Vector3 { x: " + float_to_string(v.x) + ", y: " + float_to_string(v.y) + ", z: " + float_to_string(v.z) +
           " }";
}

}  // namespace quorvel
