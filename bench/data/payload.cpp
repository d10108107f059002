// Dataset shapes and payload bytes for the benchmark inputs.
#include "payload.hpp"

#include <array>
#include <cmath>
#include <cstring>

namespace quorvel::bench {

namespace {

// Content types of portal files, by id prefix, with whether their bytes are mostly noise.
struct PortalType {
    std::uint32_t prefix;
    bool noise;
    std::uint32_t weight;
};
constexpr std::array<PortalType, 12> portal_types{{
    {0x01, false, 20},  // models
    {0x02, false, 6},   // setups
    {0x03, false, 8},   // animations
    {0x04, false, 3},   // palettes
    {0x05, false, 6},   // surface textures
    {0x06, true, 25},   // textures
    {0x08, false, 6},   // surfaces
    {0x0A, true, 10},   // sounds
    {0x0D, false, 4},   // environments
    {0x0E, false, 2},   // tables
    {0x0F, false, 5},   // palette sets
    {0x12, false, 5},   // particle emitters
}};

const PortalType& pick_type(Rng& rng) {
    std::uint32_t total = 0;
    for (const auto& t : portal_types) total += t.weight;
    std::uint32_t r = rng.below(total);
    for (const auto& t : portal_types) {
        if (r < t.weight) return t;
        r -= t.weight;
    }
    return portal_types.back();
}

struct Vocabulary {
    std::array<std::vector<std::uint8_t>, 256> phrases;
    Vocabulary() {
        Rng rng(0x5EED);
        for (std::size_t k = 0; k < phrases.size(); ++k) {
            auto& p = phrases[k];
            p.resize(3 + rng.below(14));
            // Half text-like, half binary fields.
            for (auto& b : p)
                b = k % 2 == 0 ? static_cast<std::uint8_t>('a' + rng.below(26)) : static_cast<std::uint8_t>(rng.below(256));
        }
    }
};

const Vocabulary& vocabulary() {
    static const Vocabulary v;
    return v;
}

void fill_noise(Rng& rng, std::uint8_t* out, std::size_t n) {
    while (n >= 8) {
        const std::uint64_t v = rng.next();
        std::memcpy(out, &v, 8);
        out += 8;
        n -= 8;
    }
    const std::uint64_t v = rng.next();
    std::memcpy(out, &v, n);
}

}  // namespace

std::uint32_t Rng::log_uniform(std::uint32_t lo, std::uint32_t hi) {
    const double u = static_cast<double>(next() >> 11) / static_cast<double>(1ULL << 53);
    const double v = std::exp(std::log(lo) + u * (std::log(hi) - std::log(lo)));
    return static_cast<std::uint32_t>(std::min<double>(hi, std::max<double>(lo, v)));
}

std::vector<std::uint8_t> payload_of(const BenchEntry& entry) {
    std::vector<std::uint8_t> out(entry.size);
    Rng rng(entry.seed);
    if (!entry.compressible) {
        fill_noise(rng, out.data(), out.size());
        return out;
    }
    const auto& phrases = vocabulary().phrases;
    std::size_t at = 0;
    while (at < out.size()) {
        const std::uint64_t r = rng.next();
        if ((r & 0xFF) < 24) {
            // A little noise between phrases, as counters and coordinates give.
            const std::size_t n = std::min<std::size_t>(1 + ((r >> 8) & 3), out.size() - at);
            std::memcpy(out.data() + at, &r, n);
            at += n;
            continue;
        }
        // Skewed choice: a few phrases are common, most are rare.
        const std::size_t k = (((r >> 16) & 0xFF) * ((r >> 24) & 0xFF)) >> 8;
        const auto& p = phrases[k];
        const std::size_t n = std::min(p.size(), out.size() - at);
        std::memcpy(out.data() + at, p.data(), n);
        at += n;
    }
    return out;
}

std::vector<BenchEntry> portal_entries(std::size_t count) {
    Rng rng(0x90A7A1);
    std::vector<BenchEntry> entries;
    std::array<std::uint32_t, 256> next_index{};
    for (std::size_t k = 0; k < count; ++k) {
        const PortalType& t = pick_type(rng);
        BenchEntry e;
        e.type = t.prefix;
        e.id = (t.prefix << 24) | next_index[t.prefix]++;
        const std::uint32_t tier = rng.below(100);
        e.size = tier < 60 ? rng.log_uniform(48, 2048) : tier < 95 ? rng.log_uniform(2048, 32768) : rng.log_uniform(32768, 131072);
        e.compressible = !t.noise || rng.below(10) == 0;
        e.compressed = e.compressible && rng.below(3) == 0;
        e.seed = rng.next();
        entries.push_back(e);
    }
    return entries;
}

std::vector<BenchEntry> cell_entries(std::size_t count) {
    Rng rng(0xCE11);
    std::vector<BenchEntry> entries;
    entries.reserve(count);
    for (std::uint32_t x = 0; x < 255 && entries.size() < count; ++x) {
        for (std::uint32_t y = 0; y < 255 && entries.size() < count; ++y) {
            const std::uint32_t landblock = (x << 24) | (y << 16);
            const std::uint32_t cells = rng.below(17);
            for (std::uint32_t c = 0; c < cells + 2 && entries.size() < count; ++c) {
                BenchEntry e;
                if (c == 0) {
                    e.id = landblock | 0xFFFF;
                    e.size = 252;  // terrain: 81 words and 81 heights
                } else if (c == 1) {
                    e.id = landblock | 0xFFFE;
                    e.size = rng.log_uniform(12, 600);
                } else {
                    e.id = landblock | (0x0100 + c - 2);
                    e.size = rng.log_uniform(64, 900);
                }
                e.compressible = true;
                e.seed = rng.next();
                entries.push_back(e);
            }
        }
    }
    return entries;
}

std::vector<BenchEntry> qva_entries(std::size_t count) {
    Rng rng(0x0A7C);
    std::vector<BenchEntry> entries;
    entries.reserve(count);
    std::array<std::uint32_t, 256> next_index{};
    for (std::size_t k = 0; k < count; ++k) {
        const PortalType& t = pick_type(rng);
        BenchEntry e;
        e.type = t.prefix;
        e.id = (t.prefix << 24) | next_index[t.prefix]++;
        e.size = rng.log_uniform(32, 512);
        e.compressible = !t.noise;
        e.seed = rng.next();
        entries.push_back(e);
    }
    return entries;
}

std::vector<BenchEntry> pack_entries(std::size_t count) {
    Rng rng(0xFAC4);
    std::vector<BenchEntry> entries;
    entries.reserve(count);
    std::array<std::uint32_t, 256> next_index{};
    for (std::size_t k = 0; k < count; ++k) {
        const PortalType& t = pick_type(rng);
        BenchEntry e;
        e.type = t.prefix;
        e.id = (t.prefix << 24) | next_index[t.prefix]++;
        e.size = rng.log_uniform(256, 98304);
        e.compressible = rng.below(100) < 55;
        e.seed = rng.next();
        entries.push_back(e);
    }
    return entries;
}

}  // namespace quorvel::bench
