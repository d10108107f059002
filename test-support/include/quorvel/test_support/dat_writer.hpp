// Builds DAT file images: header, block chains, a B-tree directory and optionally compressed entries.
//
//   DatWriter w;                                  // portal-like header, 1024-byte blocks
//   w.add(0x06000001, bytes);                     // queued for the directory
//   w.add(0x06000002, bytes, {.compress = true}); // stored through compress_lrs, bit 0 set
//   DatImage image = std::move(w).finish();       // entries, B-tree and header written
//   image.write("x.dat");
//
// Hand-built directories (for exact shapes and damaged trees) use store_entry/store_node and
// finish_with_root. Every item is laid out as a valid block chain; chain blocks are placed in
// descending address order so that a reader has to follow the links. With a block size of 4 or
// less (no room for payload) every item is one block: a zero link followed by all its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "quorvel/dat/dat_database.hpp"
#include "quorvel/dat/dat_file_entry.hpp"
#include "quorvel/dat/dat_header.hpp"

namespace quorvel::test {

/// A header as retail portal files carry it: magic 0x5442, 1024-byte blocks, dataset 1.
DatHeader portal_header();
/// A header as retail cell files carry it: magic 0x5442, 256-byte blocks, dataset 2.
DatHeader cell_header();

struct DatWriterOptions {
    /// Written at 0x140; file_size and root_offset are filled in when the image is finished.
    DatHeader header = portal_header();
    /// Entries per node in the tree that finish() builds, 1 to 61; small values give deep trees.
    std::size_t max_entries_per_node = dat_node::max_entries;
};

struct EntryOptions {
    /// Store compress_lrs(data) and set bit 0 of the flags.
    bool compress = false;
    /// Flags stored as given (bit 0 added when compress is set).
    std::uint32_t bit_flags = 0;
    std::uint32_t timestamp = 0;
    std::uint32_t version = 0;
};

/// A directory node: 62 branch offsets (0 where none) and at most 61 entries.
struct DatNode {
    std::array<std::uint32_t, dat_node::branch_count> branches{};
    std::vector<DatFileEntry> entries;
};

/// Byte offsets of the fields inside a stored DatFileEntry.
enum class EntryField : std::size_t { bit_flags = 0, id = 4, offset = 8, size = 12, timestamp = 16, version = 20 };

/// A finished image and what the writer put where; patch functions damage the bytes only.
struct DatImage {
    std::vector<std::uint8_t> bytes;
    DatHeader header;
    /// Every node stored, in storage order (children before their parent for built trees).
    std::vector<std::pair<std::uint32_t, DatNode>> nodes;
    /// The directory form of every entry stored, in storage order.
    std::vector<DatFileEntry> entries;

    /// File position of byte `k` of the item starting at `item_offset`, found through the links in `bytes`.
    std::size_t item_position(std::uint32_t item_offset, std::size_t k) const;
    void patch_u32(std::size_t position, std::uint32_t value);
    /// Overwrites bytes k..k+3 of an item, each byte where its chain holds it.
    void patch_item_u32(std::uint32_t item_offset, std::size_t k, std::uint32_t value);
    /// Overwrites one field of every stored directory entry with this id.
    void patch_entry(std::uint32_t id, EntryField field, std::uint32_t value);
    /// The directory entry stored last for this id; aborts when there is none.
    const DatFileEntry& entry(std::uint32_t id) const;
    /// Writes the bytes to `path`; false when that fails.
    bool write(const std::filesystem::path& path) const;
};

class DatWriter {
public:
    explicit DatWriter(DatWriterOptions options = {});

    /// Queues an entry for the tree built by finish(); a later add of the same id replaces it.
    DatWriter& add(std::uint32_t id, std::vector<std::uint8_t> data, EntryOptions options = {});

    /// Stores bytes as one item in a block chain now and returns the offset of its first block.
    std::uint32_t store_item(std::span<const std::uint8_t> bytes);
    /// Stores an entry's bytes now (compressed if asked) and returns its directory entry.
    DatFileEntry store_entry(std::uint32_t id, std::span<const std::uint8_t> data, EntryOptions options = {});
    /// Stores a node now and returns its offset.
    std::uint32_t store_node(const DatNode& node);

    /// Stores the queued entries and a B-tree over them (root 0 when there are none) and writes the header.
    DatImage finish() &&;
    /// Writes the header with a hand-built directory at `root_offset`; nothing may be queued.
    DatImage finish_with_root(std::uint32_t root_offset) &&;

private:
    struct Queued {
        std::uint32_t id;
        std::vector<std::uint8_t> data;
        EntryOptions options;
    };

    std::uint32_t build_subtree(std::span<const DatFileEntry> sorted);
    std::uint32_t allocate(std::size_t n);

    DatWriterOptions options_;
    std::vector<Queued> queued_;
    DatImage image_;
};

}  // namespace quorvel::test
