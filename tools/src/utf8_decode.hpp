// UTF-8 decoding for the tool's text routines (id trimming, quoted paths, text checks).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include <unicode/utf8.h>

namespace quorvel::detail {

struct Utf8Step {
    UChar32 code_point;  // negative when the bytes at the position are not valid UTF-8
    std::size_t length;  // bytes consumed: the whole character, or the maximal invalid subpart
};

/// Decodes the character at `pos` (< text.size()).
inline Utf8Step decode_utf8_at(std::string_view text, std::size_t pos) {
    // A window of at most four bytes keeps the ICU macro's 32-bit index safe on any input length.
    const auto window = static_cast<std::int32_t>(std::min<std::size_t>(text.size() - pos, 4));
    std::int32_t i = 0;
    UChar32 c = 0;
    U8_NEXT(text.data() + pos, i, window, c);
    return {c, static_cast<std::size_t>(i)};
}

/// Whether all of `text` is valid UTF-8.
inline bool is_valid_utf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const auto step = decode_utf8_at(text, pos);
        if (step.code_point < 0) return false;
        pos += step.length;
    }
    return true;
}

}  // namespace quorvel::detail
