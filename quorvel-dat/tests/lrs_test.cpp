// Tests of the LZ decoder for compressed DAT entries.
#include "quorvel/dat/utils/lrs.hpp"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "quorvel/test_support/byte_builder.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"

namespace quorvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(std::string_view s) { return {s.begin(), s.end()}; }

struct Case {
    const char* name;
    Bytes input;
    Bytes expected;
};

TEST(DecompressLrs, EdgeCases) {
    const Case cases[] = {
        {"three bytes are returned as they are", {0x01, 0x02, 0x03}, {0x01, 0x02, 0x03}},
        {"empty input", {}, {}},
        {"declared size 0", test::ByteBuilder().u32(0).u8(0x00).text("ABC").take(), {}},
        {"size prefix only", test::ByteBuilder().u32(5).take(), {}},
        {"three literals, rest ignored", test::ByteBuilder().u32(3).u8(0x00).text("ABCD").take(), text("ABC")},
        {"distance 2 length 4 repeats a pair",
         test::ByteBuilder().u32(6).u8(0x20).text("AB").u8(0x02).u8(0x02).take(), text("ABABAB")},
        {"distance 1 repeats the last byte", test::ByteBuilder().u32(4).u8(0x40).text("A").u8(0x01).u8(0x01).take(),
         text("AAAA")},
        {"distance 0 ends the stream early",
         test::ByteBuilder().u32(10).u8(0x02).text("ABCDEF").u8(0x00).u8(0x00).text("GH").take(), text("ABCDEF")},
        {"distance beyond the output starts at the first byte",
         test::ByteBuilder().u32(6).u8(0x20).text("AB").u8(0x03).u8(0x02).take(), text("ABAABA")},
        {"distance far beyond the output", test::ByteBuilder().u32(9).u8(0x40).text("A").u8(0xFF).u8(0xF6).take(),
         text("AAAAAAAAA")},
        {"length 17 is cut at the declared size",
         test::ByteBuilder().u32(5).u8(0x40).text("A").u8(0x01).u8(0x0F).take(), text("AAAAA")},
        {"12-bit distance", test::ByteBuilder().u32(3).u8(0x40).text("Z").u8(0x00).u8(0x10).take(), text("ZZZ")},
        {"stream ending in a flag byte", test::ByteBuilder().u32(20).u8(0x00).text("ABCDEFGH").u8(0x00).take(),
         text("ABCDEFGH")},
        {"truncated back-reference", test::ByteBuilder().u32(4).u8(0x40).text("A").u8(0x01).take(), text("A")},
        {"back-reference before any output stops",
         test::ByteBuilder().u32(4).u8(0x80).u8(0x01).u8(0x00).text("AB").take(), {}},
        {"second flag byte continues", test::ByteBuilder().u32(10).u8(0x00).text("ABCDEFGH").u8(0x40).text("I")
                                           .u8(0x01).u8(0x00).take(),
         text("ABCDEFGHII")},
    };
    for (const auto& c : cases) EXPECT_EQ(decompress_lrs(c.input), c.expected) << c.name;
}

TEST(DecompressLrs, UncheckedPathCopiesFromBeforeTheOutputAndFromFarBack) {
    // Declared size and input both leave room for whole flag groups, so the second and third group
    // take the unchecked path: distance 10 from 8 bytes of output (3 copies of the first byte, then
    // bytes 1 to 3), and distance 20, farther than the 17 bytes a token may write.
    const Bytes input = test::ByteBuilder()
                            .u32(200)
                            .u8(0x00).text("ABCDEFGH")
                            .u8(0x80).u8(10).u8(0x04).text("ijklmno")
                            .u8(0x80).u8(20).u8(0x03).text("pqrstuv")
                            .u8(0x00).text("wxyz0123")
                            .take();
    EXPECT_EQ(decompress_lrs(input), text("ABCDEFGHAAABCDijklmnoBCDEFpqrstuvwxyz0123"));
}

TEST(DecompressLrs, DeclaredSizeBeyondTheStreamDoesNotDriveTheAllocation) {
    const Bytes input = test::ByteBuilder().u32(0xFFFFFFFF).u8(0x40).text("A").u8(0x01).u8(0x0F).take();
    const auto out = decompress_lrs(input);
    EXPECT_EQ(out, Bytes(18, 'A'));
    EXPECT_LE(out.capacity(), 9 * input.size());
}

// Straightforward decoder, token by token, to check the fast paths against.
Bytes reference_decode(const Bytes& data) {
    if (data.size() < 4) return data;
    const std::uint32_t declared = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
    Bytes out;
    std::size_t i = 4;
    if (declared == 0 || i == data.size()) return out;
    unsigned flags = 0;
    unsigned mask = 0;
    for (;;) {
        if (mask == 0) {
            flags = data[i++];
            mask = 0x80;
        }
        if (flags & mask) {
            if (data.size() - i < 2) break;
            const std::size_t distance = data[i] + ((data[i + 1] >> 4) * 256);
            const std::size_t length = (data[i + 1] & 0x0F) + 2;
            if (distance == 0) break;
            i += 2;
            if (out.empty()) break;
            bool full = false;
            for (std::size_t k = 0; k < length && !full; ++k) {
                out.push_back(out[distance > out.size() ? 0 : out.size() - distance]);
                full = out.size() == declared;
            }
            if (full) break;
        } else {
            if (i == data.size()) break;
            out.push_back(data[i++]);
            if (out.size() == declared) break;
        }
        mask >>= 1;
        if (i == data.size()) break;
    }
    return out;
}

TEST(DecompressLrs, MatchesTokenByTokenDecodingOnRandomStreams) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = rng() % 600;
        Bytes data(4 + length);
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        // Mostly small distances so that references land inside the output.
        for (std::size_t k = 4; k < data.size(); ++k)
            if (rng() % 3 == 0) data[k] &= 0x0F;
        const std::uint32_t declared = round % 4 == 0 ? static_cast<std::uint32_t>(rng()) : rng() % 4000;
        for (int k = 0; k < 4; ++k) data[k] = static_cast<std::uint8_t>(declared >> (8 * k));
        ASSERT_EQ(decompress_lrs(data), reference_decode(data)) << "round " << round;
    }
}

TEST(DecompressLrs, RoundTripsTheEncoder) {
    std::mt19937 rng(11);
    Bytes random(20000);
    for (auto& b : random) b = static_cast<std::uint8_t>(rng());
    Bytes repetitive;
    for (int k = 0; k < 2000; ++k) {
        const auto word = "texture" + std::to_string(k % 37) + ";";
        repetitive.insert(repetitive.end(), word.begin(), word.end());
    }
    Bytes far_repeat(10000);  // the second half repeats the first at a distance above 4095
    for (std::size_t k = 0; k < far_repeat.size(); ++k) far_repeat[k] = random[k % 5000];
    const Bytes inputs[] = {{}, {0x42}, text("abababababababababab"), Bytes(100000, 0), random, repetitive, far_repeat};
    for (const auto& input : inputs) {
        const auto packed = test::compress_lrs(input);
        EXPECT_EQ(decompress_lrs(packed), input) << "size " << input.size();
    }
    EXPECT_LT(test::compress_lrs(repetitive).size(), repetitive.size() / 3);
}

TEST(DecompressLrs, RoundTripsEveryShortPeriod) {
    // Back-references shorter than their length repeat a pattern; each period takes its own path.
    for (std::size_t period = 1; period <= 20; ++period) {
        Bytes input(700);
        for (std::size_t k = 0; k < input.size(); ++k) input[k] = static_cast<std::uint8_t>(k % period * 31 + 1);
        const auto packed = test::compress_lrs(input);
        EXPECT_EQ(decompress_lrs(packed), input) << "period " << period;
        EXPECT_EQ(reference_decode(packed), input) << "period " << period;
    }
}

}  // namespace
}  // namespace quorvel
