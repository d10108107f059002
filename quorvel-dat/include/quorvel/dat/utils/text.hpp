// Text inside records: byte-order-mark sniffing for UTF-8 and UTF-16, windows-1252 otherwise.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "quorvel/common/byte_cursor.hpp"

namespace quorvel {

/// Decodes bytes to UTF-8 text as the WHATWG Encoding Standard's decode algorithm does with a
/// windows-1252 fallback: a leading EF BB BF selects UTF-8, FF FE UTF-16LE, FE FF UTF-16BE (the
/// mark is dropped); malformed sequences become U+FFFD. Never fails.
std::string decode_text(std::span<const std::uint8_t> bytes);

/// A string with a little-endian count of `width` bytes (1, 2 or 4) in front. Fails with an
/// assertion "Unsupported PString length size" for another width, or with end of data.
RecordResult<std::string> read_pstring(ByteCursor& cursor, int width);

/// A string with a 16-bit count whose bytes have their two 4-bit halves exchanged. Fails with end of data.
RecordResult<std::string> read_obfuscated_string(ByteCursor& cursor);

}  // namespace quorvel
