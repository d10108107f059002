// Deterministic benchmark datasets: which entries each input holds, and their bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel::bench {

/// splitmix64: small, fast and the same on every machine.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    /// Uniform in [0, n).
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>((next() >> 32) * n >> 32); }
    /// Log-uniform in [lo, hi]: many small values, a few large ones, as entry sizes are.
    std::uint32_t log_uniform(std::uint32_t lo, std::uint32_t hi);

private:
    std::uint64_t state_;
};

/// One entry of a dataset; its bytes follow from `seed`, so nothing has to be held.
struct BenchEntry {
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    /// Structured, repetitive bytes (models, tables, text) rather than noise (textures, sounds).
    bool compressible = false;
    /// Stored LZ-compressed in a DAT file.
    bool compressed = false;
    std::uint64_t seed = 0;
};

/// The bytes of an entry: noise, or phrases from a shared vocabulary with a little noise between.
std::vector<std::uint8_t> payload_of(const BenchEntry& entry);

/// A portal-like DAT: mixed content types and sizes, a third of the repetitive entries compressed.
std::vector<BenchEntry> portal_entries(std::size_t count);
/// A cell-like DAT: per landblock its two records and a varying number of small cells.
std::vector<BenchEntry> cell_entries(std::size_t count);
/// A QVA archive of small entries; every smaller set is a prefix of a larger one.
std::vector<BenchEntry> qva_entries(std::size_t count);
/// Loose entry files for packing: about 16 KB on average, half of them noise.
std::vector<BenchEntry> pack_entries(std::size_t count);

}  // namespace quorvel::bench
