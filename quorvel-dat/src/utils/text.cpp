// Text decoders for record strings: BOM sniffing, UTF-8, UTF-16 and windows-1252 to UTF-8.
#include "quorvel/dat/utils/text.hpp"

#include <array>
#include <cstring>
#include <vector>

namespace quorvel {
namespace {

constexpr char32_t replacement = 0xFFFD;

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        const char b[] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 2);
    } else if (cp < 0x10000) {
        const char b[] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 3);
    } else {
        const char b[] = {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                          static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 4);
    }
}

/// Length of the leading run of ASCII bytes, eight at a time where possible.
std::size_t ascii_prefix(const std::uint8_t* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

// windows-1252 bytes 0x80-0x9F; the five unassigned bytes keep their C1 control code points.
constexpr std::array<char16_t, 32> cp1252_high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void decode_windows_1252(std::span<const std::uint8_t> in, std::string& out) {
    const std::uint8_t* p = in.data();
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = ascii_prefix(p + i, n - i);
        out.append(reinterpret_cast<const char*>(p + i), run);
        i += run;
        for (; i < n && p[i] >= 0x80; ++i) {
            const std::uint8_t b = p[i];
            append_utf8(out, b < 0xA0 ? cp1252_high[b - 0x80] : char32_t{b});
        }
    }
}

// The Encoding Standard's UTF-8 decoder: one U+FFFD per maximal subpart of an ill-formed
// sequence, and the byte that broke a sequence is looked at again as a possible start.
void decode_utf8(std::span<const std::uint8_t> in, std::string& out) {
    static constexpr char fffd[] = "\xEF\xBF\xBD";
    const std::uint8_t* p = in.data();
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = ascii_prefix(p + i, n - i);
        out.append(reinterpret_cast<const char*>(p + i), run);
        i += run;
        if (i >= n) break;

        const std::uint8_t lead = p[i];
        std::size_t needed;
        std::uint8_t lower = 0x80;
        std::uint8_t upper = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            if (lead == 0xE0) lower = 0xA0;
            if (lead == 0xED) upper = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            if (lead == 0xF0) lower = 0x90;
            if (lead == 0xF4) upper = 0x8F;
        } else {
            out.append(fffd, 3);
            ++i;
            continue;
        }

        // Only the first continuation byte has narrowed bounds; the rest are 80-BF.
        std::size_t seen = 0;
        while (seen < needed && i + 1 + seen < n) {
            const std::uint8_t b = p[i + 1 + seen];
            const std::uint8_t lo = seen == 0 ? lower : 0x80;
            const std::uint8_t hi = seen == 0 ? upper : 0xBF;
            if (b < lo || b > hi) break;
            ++seen;
        }
        if (seen == needed) {
            out.append(reinterpret_cast<const char*>(p + i), needed + 1);
        } else {
            out.append(fffd, 3);
        }
        i += 1 + seen;
    }
}

void decode_utf16(std::span<const std::uint8_t> in, bool big_endian, std::string& out) {
    const std::size_t units = in.size() / 2;
    char16_t pending_lead = 0;
    for (std::size_t k = 0; k < units; ++k) {
        const std::uint8_t a = in[2 * k];
        const std::uint8_t b = in[2 * k + 1];
        const char16_t unit = big_endian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
        const bool is_lead = unit >= 0xD800 && unit <= 0xDBFF;
        const bool is_trail = unit >= 0xDC00 && unit <= 0xDFFF;
        if (pending_lead != 0) {
            if (is_trail) {
                append_utf8(out, 0x10000 + ((char32_t{pending_lead} - 0xD800) << 10) + (char32_t{unit} - 0xDC00));
                pending_lead = 0;
                continue;
            }
            append_utf8(out, replacement);
            pending_lead = 0;
        }
        if (is_lead) {
            pending_lead = unit;
        } else if (is_trail) {
            append_utf8(out, replacement);
        } else {
            append_utf8(out, unit);
        }
    }
    // A dangling lead surrogate and an odd last byte together end in a single U+FFFD.
    if (pending_lead != 0 || in.size() % 2 != 0) append_utf8(out, replacement);
}

}  // namespace

std::string decode_text(std::span<const std::uint8_t> bytes) {
    std::string out;
    const std::size_t n = bytes.size();
    if (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        out.reserve(n - 3);
        decode_utf8(bytes.subspan(3), out);
    } else if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        out.reserve(n - 2);
        decode_utf16(bytes.subspan(2), false, out);
    } else if (n >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        out.reserve(n - 2);
        decode_utf16(bytes.subspan(2), true, out);
    } else {
        out.reserve(n);
        decode_windows_1252(bytes, out);
    }
    return out;
}

RecordResult<std::string> read_pstring(ByteCursor& cursor, int width) {
    if (width != 1 && width != 2 && width != 4)
        return std::unexpected(RecordError::assertion(cursor.position(), "Unsupported PString length size"));

    std::uint32_t count = 0;
    if (width == 1) {
        auto c = cursor.u8();
        if (!c) return std::unexpected(std::move(c.error()));
        count = *c;
    } else if (width == 2) {
        auto c = cursor.u16();
        if (!c) return std::unexpected(std::move(c.error()));
        count = *c;
    } else {
        auto c = cursor.u32();
        if (!c) return std::unexpected(std::move(c.error()));
        count = *c;
    }
    if (count == 0) return std::string();

    auto payload = cursor.take(count);
    if (!payload) {
        // A short payload is consumed up to the end, as a buffered exact read would leave it.
        cursor.seek(cursor.size());
        return std::unexpected(std::move(payload.error()));
    }
    return decode_text(*payload);
}

RecordResult<std::string> read_obfuscated_string(ByteCursor& cursor) {
    auto length = cursor.u16();
    if (!length) return std::unexpected(std::move(length.error()));

    auto payload = cursor.take(*length);
    if (!payload) {
        cursor.seek(cursor.size());
        return std::unexpected(std::move(payload.error()));
    }
    std::vector<std::uint8_t> restored(payload->begin(), payload->end());
    for (auto& b : restored) b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
    return decode_text(restored);
}

}  // namespace quorvel
