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

namespace {

ByteBuilder& namespace_field(ByteBuilder& b, std::string_view label) { return b.text(label).fill(32 - label.size()); }

}  // namespace

std::vector<std::uint8_t> hand_archive(std::span<const std::uint8_t> payload, std::span<const HandEntry> entries) {
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
    b.text("QVA").u8(0)                                      // magic
        .u32(2)                                              // version
        .u32(static_cast<std::uint32_t>(entries.size()))     // entry_count
        .u64(24 + payload.size() + metadata_size)            // index_offset
        .u32(metadata_size);                                 // metadata_size
    b.bytes(payload);
    b.u32(static_cast<std::uint32_t>(runs.size()));  // namespace record count
    for (const auto& run : runs) {
        namespace_field(b, run.label);  // namespace
        b.u32(run.start)                // start_index
            .u32(run.count);            // entry_count
    }
    for (const auto& e : entries) {
        namespace_field(b, e.label);  // namespace
        b.u32(e.id)                   // file_id
            .u32(e.type)              // type_id
            .u64(e.offset)            // offset
            .u32(e.size)              // size
            .u32(e.comp_size)         // comp_size
            .u8(e.flags)              // flags
            .u8(0)                    // storage_id
            .u16(0);                  // reserved
    }
    return b.take();
}

}  // namespace quorvel::test
