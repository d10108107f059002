// Fuzz target: the LZ decoder against a plain token-by-token decoder, and encoder round trips.
#include <algorithm>
#include <optional>
#include <vector>

#include "harness.hpp"
#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/dat/utils/lrs.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"

namespace quorvel::fuzz {
namespace {

constexpr std::size_t max_token_length = 17;

// The format decoded one token at a time with every step checked, writing into at most `room`
// bytes; empty when the stream would produce more than that.
std::optional<std::vector<std::uint8_t>> decode_plainly(std::span<const std::uint8_t> data, std::size_t room) {
    if (data.size() < 4) return std::vector<std::uint8_t>(data.begin(), data.end());
    const std::uint64_t declared = load_le<std::uint32_t>(data.data());
    const auto in = data.subspan(4);
    std::vector<std::uint8_t> out(room);
    std::size_t o = 0;
    std::size_t i = 0;
    while (o < declared && i < in.size()) {
        const unsigned flags = in[i++];
        for (unsigned mask = 0x80; mask != 0 && o < declared && i < in.size(); mask >>= 1) {
            if ((flags & mask) == 0) {
                if (o == room) return std::nullopt;
                out[o++] = in[i++];
                continue;
            }
            if (in.size() - i < 2) goto done;
            const std::size_t distance = in[i] | ((in[i + 1] >> 4) << 8);
            const std::size_t length = (in[i + 1] & 0x0F) + 2;
            if (distance == 0) goto done;
            i += 2;
            if (o == 0) goto done;
            // Sources before the start of the output stand at its first byte.
            for (std::size_t k = 0; k < length && o < declared; ++k, ++o) {
                if (o == room) return std::nullopt;
                out[o] = out[o > distance ? o - distance : 0];
            }
        }
    }
done:
    out.resize(o);
    return out;
}

}  // namespace

void run_one(std::span<const std::uint8_t> data) {
    const auto decoded = decompress_lrs(data);
    const auto plain = decode_plainly(data, decoded.size() + max_token_length);
    require(plain.has_value(), "the stream decodes to more bytes than decompress_lrs returned");
    require(*plain == decoded, "decompress_lrs differs from the token-by-token decoding");
    if (data.size() >= 4) require(decoded.size() <= 8 * (data.size() - 4), "more than 8 bytes out per byte in");

    // Round trips: the input as plain data, and what it decodes to.
    require(decompress_lrs(test::compress_lrs(data)) == std::vector(data.begin(), data.end()),
            "compress_lrs then decompress_lrs does not give the input back");
    require(decompress_lrs(test::compress_lrs(decoded)) == decoded,
            "compress_lrs then decompress_lrs does not give the decoded bytes back");
}

}  // namespace quorvel::fuzz
