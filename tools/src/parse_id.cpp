// Number parsing for ids: white space trimming, "0x" prefix, decimal first and hexadecimal fallback.
#include "quorvel/tools/parse_id.hpp"

#include <unicode/uchar.h>

#include "utf8_decode.hpp"

namespace quorvel {

std::string_view int_error_message(IntErrorKind kind) {
    switch (kind) {
        case IntErrorKind::Empty: return "cannot parse integer from empty string";
        case IntErrorKind::InvalidDigit: return "invalid digit found in string";
        case IntErrorKind::PosOverflow: return "number too large to fit in target type";
    }
    return "invalid number";
}

namespace {

int digit_value(char c, unsigned radix) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z') v = c - 'A' + 10;
    return v >= 0 && static_cast<unsigned>(v) < radix ? v : -1;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t first = std::string_view::npos;
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const auto step = detail::decode_utf8_at(text, pos);
        if (step.code_point < 0 || !u_isUWhiteSpace(step.code_point)) {
            if (first == std::string_view::npos) first = pos;
            end = pos + step.length;
        }
        pos += step.length;
    }
    if (first == std::string_view::npos) return {};
    return text.substr(first, end - first);
}

Result<std::uint32_t> to_result(std::expected<std::uint32_t, IntErrorKind> parsed) {
    if (!parsed) return std::unexpected(Error(std::string(int_error_message(parsed.error()))));
    return *parsed;
}

}  // namespace

std::expected<std::uint32_t, IntErrorKind> parse_u32(std::string_view text, unsigned radix) {
    if (text.empty()) return std::unexpected(IntErrorKind::Empty);
    if (text.front() == '+') {
        text.remove_prefix(1);
        // A sign with nothing after it is a bad digit, not an empty number.
        if (text.empty()) return std::unexpected(IntErrorKind::InvalidDigit);
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = digit_value(c, radix);
        if (digit < 0) return std::unexpected(IntErrorKind::InvalidDigit);
        value = value * radix + static_cast<unsigned>(digit);
        if (value > UINT32_MAX) return std::unexpected(IntErrorKind::PosOverflow);
    }
    return static_cast<std::uint32_t>(value);
}

Result<std::uint32_t> parse_hex_u32(std::string_view text) { return to_result(parse_u32(text, 16)); }

Result<std::uint32_t> parse_id_auto(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    if (trimmed.starts_with("0x") || trimmed.starts_with("0X")) return parse_hex_u32(trimmed.substr(2));
    if (auto decimal = parse_u32(trimmed, 10)) return *decimal;
    return parse_hex_u32(trimmed);
}

}  // namespace quorvel
