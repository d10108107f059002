// Greedy LZ encoder producing streams for decompress_lrs.
#include "quorvel/test_support/lrs_encoder.hpp"

#include <algorithm>
#include <bit>
#include <limits>

namespace quorvel::test {
namespace {

constexpr std::size_t max_distance = 4095;
constexpr std::size_t min_match = 3;  // a 2-byte match costs as much as two literals
constexpr std::size_t max_match = 17;
constexpr unsigned max_hash_bits = 14;

unsigned hash3(const std::uint8_t* p, unsigned bits) {
    const std::uint32_t v = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    return (v * 2654435761u) >> (32 - bits);
}

}  // namespace

std::vector<std::uint8_t> compress_lrs(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out;
    out.reserve(4 + data.size() + data.size() / 8 + 1);
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(size >> (8 * k)));

    constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    // Small inputs get a small table: the writer compresses many short entries.
    const unsigned bits = std::clamp<unsigned>(std::bit_width(data.size()), 6, max_hash_bits);
    std::vector<std::size_t> head(std::size_t{1} << bits, none);
    std::size_t flag_at = 0;
    unsigned mask = 0;
    const std::size_t n = data.size();
    std::size_t pos = 0;
    while (pos < n) {
        if (mask == 0) {
            flag_at = out.size();
            out.push_back(0);
            mask = 0x80;
        }
        std::size_t best = 0;
        std::size_t distance = 0;
        if (pos + min_match <= n) {
            const unsigned h = hash3(data.data() + pos, bits);
            const std::size_t candidate = head[h];
            head[h] = pos;
            if (candidate != none && pos - candidate <= max_distance) {
                const std::size_t limit = std::min(max_match, n - pos);
                std::size_t len = 0;
                while (len < limit && data[candidate + len] == data[pos + len]) ++len;
                if (len >= min_match) {
                    best = len;
                    distance = pos - candidate;
                }
            }
        }
        if (best != 0) {
            out[flag_at] = static_cast<std::uint8_t>(out[flag_at] | mask);
            out.push_back(static_cast<std::uint8_t>(distance & 0xFF));
            out.push_back(static_cast<std::uint8_t>(((distance >> 8) << 4) | (best - 2)));
            for (std::size_t k = 1; k < best && pos + k + min_match <= n; ++k) head[hash3(data.data() + pos + k, bits)] = pos + k;
            pos += best;
        } else {
            out.push_back(data[pos]);
            ++pos;
        }
        mask >>= 1;
    }
    return out;
}

}  // namespace quorvel::test
