// QVA archives and payloads for the file-command tests.
#include "file_inputs.hpp"

#include <stdexcept>

#include "quorvel/dat/archive/qva_writer.hpp"
#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::test {

std::vector<std::uint8_t> pattern_bytes(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> out(n);
    std::uint32_t state = 0x9E3779B9u ^ seed;
    for (auto& byte : out) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return out;
}

std::vector<std::uint8_t> compressible_bytes(std::size_t n) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>('a' + (i / 64) % 3);
    return out;
}

std::vector<std::uint8_t> hand_archive(std::span<const std::uint8_t> payload, std::span<const EntryFields> entries) {
    struct Run {
        std::string_view label;
        std::uint32_t start = 0;
        std::uint32_t count = 0;
    };
    std::vector<Run> runs;
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        if (runs.empty() || runs.back().label != entries[i].label) runs.push_back({entries[i].label, i, 0});
        ++runs.back().count;
    }
    const std::uint32_t metadata_size = static_cast<std::uint32_t>(4 + 40 * runs.size());

    ByteBuilder b;
    qva_header(b, static_cast<std::uint32_t>(entries.size()), 24 + payload.size() + metadata_size, metadata_size);
    b.bytes(payload);
    b.u32(static_cast<std::uint32_t>(runs.size()));  // namespace record count
    for (const auto& run : runs) qva_namespace_record(b, run.label, run.start, run.count);
    for (const auto& e : entries) qva_entry(b, e);
    return b.take();
}

}  // namespace quorvel::test
