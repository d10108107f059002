// LZ decoder for compressed DAT entries: flag bytes announcing literal and back-reference tokens.
#include "quorvel/dat/utils/lrs.hpp"

#include <algorithm>
#include <cstring>

#include "quorvel/common/byte_cursor.hpp"

namespace quorvel {
namespace {

constexpr std::size_t max_length = 17;
// Output room for one flag byte's worth of tokens; each back-reference writes 17 bytes whatever
// its length.
constexpr std::size_t group_room = 8 * max_length;
// Input consumed at most by the tokens of one flag byte.
constexpr std::size_t group_input = 8 * 2;

// For a distance d below 8, the smallest multiple of d that is at least 4 (resp. 8): copying 4
// (resp. 8) bytes from that far back repeats the pattern without reading bytes not yet written.
constexpr std::uint8_t step4[8] = {0, 4, 4, 6, 4, 5, 6, 7};
constexpr std::uint8_t step8[8] = {0, 8, 8, 9, 8, 10, 12, 14};

void copy4(std::uint8_t* to, const std::uint8_t* from) { std::memcpy(to, from, 4); }
void copy8(std::uint8_t* to, const std::uint8_t* from) { std::memcpy(to, from, 8); }

}  // namespace

std::vector<std::uint8_t> decompress_lrs(std::span<const std::uint8_t> data) {
    if (data.size() < 4) return {data.begin(), data.end()};
    const auto declared = load_le<std::uint32_t>(data.data());
    const std::uint8_t* in = data.data() + 4;
    const std::size_t n = data.size() - 4;
    if (declared == 0 || n == 0) return {};

    // A token of 2 input bytes yields at most 17 output bytes, so the stream cannot produce more
    // than 8.5 bytes per input byte; a larger declared size must not drive the allocation.
    const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(declared, std::uint64_t{n} * 9));
    std::vector<std::uint8_t> result(end);
    std::uint8_t* out = result.data();
    std::size_t o = 0;
    std::size_t i = 0;

    // Invariant at the top of the loop: i < n and o < end.
    for (;;) {
        const unsigned flags = in[i++];
        if (end - o >= group_room && n - i > group_input) {
            // Room for all eight tokens: no per-token bounds checks. Input stays below n throughout,
            // matching the checks of the careful path.
            if (flags == 0) {
                std::memcpy(out + o, in + i, 8);
                o += 8;
                i += 8;
            } else {
                for (unsigned mask = 0x80; mask != 0; mask >>= 1) {
                    if ((flags & mask) == 0) {
                        out[o++] = in[i++];
                        continue;
                    }
                    const unsigned a = in[i];
                    const unsigned b = in[i + 1];
                    const std::size_t distance = a | ((b >> 4) << 8);
                    const std::size_t length = (b & 0x0F) + 2;
                    if (distance == 0) goto done;
                    i += 2;
                    std::uint8_t* to = out + o;
                    if (distance > o) {
                        // Before the copied range the source stands at the first byte; with no
                        // output at all there is nothing to copy from.
                        if (o == 0) goto done;
                        const std::size_t at_first = std::min(length, distance - o + 1);
                        std::memset(to, out[0], at_first);
                        // Indexed from `out`: here k < distance, so `to[k - distance]` would wrap far past the buffer.
                        for (std::size_t k = at_first; k < length; ++k) to[k] = out[o + k - distance];
                    } else if (distance >= 8) {
                        // Always 17 bytes: what lies past `length` is overwritten by later tokens
                        // or cut off at the end.
                        const std::uint8_t* from = to - distance;
                        copy8(to, from);
                        copy8(to + 8, from + 8);
                        to[16] = from[16];
                    } else {
                        const std::uint8_t* from = to - distance;
                        to[0] = from[0];
                        to[1] = from[1];
                        to[2] = from[2];
                        to[3] = from[3];
                        copy4(to + 4, to + 4 - step4[distance]);
                        copy8(to + 8, to + 8 - step8[distance]);
                        to[16] = to[16 - distance];
                    }
                    o += length;
                }
            }
            if (o >= end || i >= n) break;
            continue;
        }

        // Near the end of the input or of the output: check every step.
        for (unsigned mask = 0x80; mask != 0; mask >>= 1) {
            if (flags & mask) {
                if (n - i < 2) goto done;
                const unsigned a = in[i];
                const unsigned b = in[i + 1];
                const std::size_t distance = a | ((b >> 4) << 8);
                if (distance == 0) goto done;
                i += 2;
                if (o == 0) goto done;
                const std::size_t length = std::min<std::size_t>((b & 0x0F) + 2, end - o);
                for (std::size_t k = 0; k < length; ++k) {
                    const std::size_t at = o + k;
                    out[at] = out[at > distance ? at - distance : 0];
                }
                o += length;
            } else {
                if (i >= n) goto done;
                out[o++] = in[i++];
            }
            if (o >= end || i >= n) goto done;
        }
    }
done:
    result.resize(o);
    return result;
}

}  // namespace quorvel
