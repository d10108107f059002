// Turning ids typed by the user (and hexadecimal file names) into 32-bit numbers.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "quorvel/tools/error.hpp"

namespace quorvel {

/// Why a number did not parse; each kind has one fixed message.
enum class IntErrorKind { Empty, InvalidDigit, PosOverflow };

/// "cannot parse integer from empty string", "invalid digit found in string" or
/// "number too large to fit in target type".
std::string_view int_error_message(IntErrorKind kind);

/// Parses digits of `radix` (10 or 16, either letter case) with one optional leading "+".
/// Fails with Empty on an empty text, InvalidDigit on any other character (a "-", a blank, a lone "+"),
/// and PosOverflow when the value exceeds 4294967295; the first failing character decides.
std::expected<std::uint32_t, IntErrorKind> parse_u32(std::string_view text, unsigned radix);

/// Hexadecimal digits with an optional "+" and no "0x" prefix (file names of packed entries).
/// Fails as `parse_u32`, with the kind's message as the error.
Result<std::uint32_t> parse_hex_u32(std::string_view text);

/// A file id or weenie class id as typed: Unicode white space around it is ignored; "0x" or "0X"
/// selects hexadecimal; otherwise decimal, and when that fails hexadecimal, whose error is the one
/// reported. Fails with one of the three messages of `int_error_message`.
Result<std::uint32_t> parse_id_auto(std::string_view text);

}  // namespace quorvel
