// Lays out DAT images: reserved area and header, block chains, and a B-tree directory.
#include "quorvel/test_support/dat_writer.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/test_support/lrs_encoder.hpp"

namespace quorvel::test {
namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "DatWriter: %s\n", what);
    std::abort();
}

// Payload per block; 0 when blocks cannot carry any, in which case items are stored in one block.
std::uint32_t payload_of(std::uint32_t block_size) { return block_size > 4 ? block_size - 4 : 0; }

std::uint64_t tree_capacity(std::uint64_t per_node, int height) {
    std::uint64_t cap = per_node;
    for (int h = 1; h < height && cap < (std::uint64_t{1} << 40); ++h) cap = per_node + (per_node + 1) * cap;
    return cap;
}

}  // namespace

DatHeader portal_header() {
    DatHeader h;
    h.magic = 0x5442;
    h.block_size = 1024;
    h.dataset = 1;
    return h;
}

DatHeader cell_header() {
    DatHeader h = portal_header();
    h.block_size = 256;
    h.dataset = 2;
    return h;
}

std::size_t DatImage::item_position(std::uint32_t item_offset, std::size_t k) const {
    const std::uint32_t payload = payload_of(header.block_size);
    std::uint32_t pos = item_offset;
    for (std::size_t guard = 0; payload != 0 && k >= payload && guard < bytes.size(); ++guard) {
        const auto next = load_le<std::uint32_t>(bytes.data() + pos);
        if (next == 0) break;  // the last block holds the rest
        k -= payload;
        pos = next;
    }
    return std::size_t{pos} + 4 + k;
}

void DatImage::patch_u32(std::size_t position, std::uint32_t value) {
    if (position + 4 > bytes.size()) fail("patch beyond the image");
    store_le(bytes.data() + position, value);
}

void DatImage::patch_item_u32(std::uint32_t item_offset, std::size_t k, std::uint32_t value) {
    for (std::size_t b = 0; b < 4; ++b) {
        const std::size_t at = item_position(item_offset, k + b);
        if (at >= bytes.size()) fail("patch beyond the image");
        bytes[at] = static_cast<std::uint8_t>(value >> (8 * b));
    }
}

void DatImage::patch_entry(std::uint32_t id, EntryField field, std::uint32_t value) {
    bool found = false;
    for (const auto& [offset, node] : nodes) {
        for (std::size_t j = 0; j < node.entries.size(); ++j) {
            if (node.entries[j].id != id) continue;
            const std::size_t at = dat_node::entries_offset + j * DatFileEntry::size_on_disk;
            patch_item_u32(offset, at + static_cast<std::size_t>(field), value);
            found = true;
        }
    }
    if (!found) fail("patch_entry: no node holds this id");
}

const DatFileEntry& DatImage::entry(std::uint32_t id) const {
    const auto it = std::find_if(entries.rbegin(), entries.rend(), [id](const auto& e) { return e.id == id; });
    if (it == entries.rend()) fail("entry: no such id");
    return *it;
}

bool DatImage::write(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

DatWriter::DatWriter(DatWriterOptions options) : options_(options) {
    if (options_.max_entries_per_node < 1 || options_.max_entries_per_node > dat_node::max_entries)
        fail("max_entries_per_node must be 1 to 61");
    image_.header = options_.header;
    // Reserved area, then the header; items start at the first block boundary after it.
    const std::uint32_t align = std::max<std::uint32_t>(options_.header.block_size, 4);
    const std::uint64_t header_end = DatHeader::offset + DatHeader::size;
    image_.bytes.resize((header_end + align - 1) / align * align);
}

DatWriter& DatWriter::add(std::uint32_t id, std::vector<std::uint8_t> data, EntryOptions options) {
    queued_.push_back({id, std::move(data), options});
    return *this;
}

std::uint32_t DatWriter::allocate(std::size_t n) {
    const std::uint32_t align = std::max<std::uint32_t>(options_.header.block_size, 4);
    const std::size_t at = (image_.bytes.size() + align - 1) / align * align;
    if (at + n > std::numeric_limits<std::uint32_t>::max()) fail("image exceeds 4 GiB");
    image_.bytes.resize(at + n);
    return static_cast<std::uint32_t>(at);
}

std::uint32_t DatWriter::store_item(std::span<const std::uint8_t> bytes) {
    const std::uint32_t payload = payload_of(options_.header.block_size);
    if (payload == 0) {
        const std::uint32_t at = allocate(4 + bytes.size());
        if (!bytes.empty()) std::memcpy(image_.bytes.data() + at + 4, bytes.data(), bytes.size());
        return at;
    }
    const std::size_t block = options_.header.block_size;
    const std::size_t blocks = std::max<std::size_t>(1, (bytes.size() + payload - 1) / payload);
    const std::uint32_t base = allocate(blocks * block);
    // Block c of the chain sits at base + (blocks - 1 - c) * block: the chain runs backwards.
    const auto address = [&](std::size_t c) { return static_cast<std::uint32_t>(base + (blocks - 1 - c) * block); };
    for (std::size_t c = 0; c < blocks; ++c) {
        std::uint8_t* p = image_.bytes.data() + address(c);
        store_le<std::uint32_t>(p, c + 1 < blocks ? address(c + 1) : 0);
        const std::size_t from = c * payload;
        const std::size_t n = std::min<std::size_t>(payload, bytes.size() - from);
        if (n != 0) std::memcpy(p + 4, bytes.data() + from, n);
    }
    return address(0);
}

DatFileEntry DatWriter::store_entry(std::uint32_t id, std::span<const std::uint8_t> data, EntryOptions options) {
    std::vector<std::uint8_t> compressed;
    if (options.compress) {
        compressed = compress_lrs(data);
        data = compressed;
    }
    DatFileEntry e;
    e.bit_flags = options.bit_flags | (options.compress ? DatFileEntry::compressed_flag : 0);
    e.id = id;
    e.offset = store_item(data);
    e.size = static_cast<std::uint32_t>(data.size());
    e.timestamp = options.timestamp;
    e.version = options.version;
    image_.entries.push_back(e);
    return e;
}

std::uint32_t DatWriter::store_node(const DatNode& node) {
    if (node.entries.size() > dat_node::max_entries) fail("a node holds at most 61 entries");
    std::array<std::uint8_t, dat_node::size> raw{};
    for (std::size_t j = 0; j < node.branches.size(); ++j) store_le(raw.data() + 4 * j, node.branches[j]);
    store_le(raw.data() + dat_node::count_offset, static_cast<std::uint32_t>(node.entries.size()));
    std::uint8_t* p = raw.data() + dat_node::entries_offset;
    for (const auto& e : node.entries) {
        for (const std::uint32_t v : {e.bit_flags, e.id, e.offset, e.size, e.timestamp, e.version}) {
            store_le(p, v);
            p += 4;
        }
    }
    const std::uint32_t offset = store_item(raw);
    image_.nodes.emplace_back(offset, node);
    return offset;
}

std::uint32_t DatWriter::build_subtree(std::span<const DatFileEntry> sorted) {
    const std::size_t m = options_.max_entries_per_node;
    DatNode node;
    if (sorted.size() <= m) {
        node.entries.assign(sorted.begin(), sorted.end());
        return store_node(node);
    }
    int height = 2;
    while (tree_capacity(m, height) < sorted.size()) ++height;
    // Fewest separators whose children, each at most one level lower, can hold the rest.
    const std::uint64_t child_cap = tree_capacity(m, height - 1);
    // s separators and s + 1 children hold s + (s + 1) * child_cap entries; the smallest s that
    // suffices is ceil((count - child_cap) / (child_cap + 1)), which equals count / (child_cap + 1).
    const std::uint64_t separators = sorted.size() / (child_cap + 1);
    const std::size_t children = separators + 1;
    const std::size_t rest = sorted.size() - separators;
    std::size_t at = 0;
    for (std::size_t c = 0; c < children; ++c) {
        const std::size_t take = rest / children + (c < rest % children ? 1 : 0);
        node.branches[c] = build_subtree(sorted.subspan(at, take));
        at += take;
        if (c + 1 < children) node.entries.push_back(sorted[at++]);
    }
    return store_node(node);
}

DatImage DatWriter::finish() && {
    // Last add wins for a repeated id; the tree holds each id once, in ascending order.
    std::stable_sort(queued_.begin(), queued_.end(), [](const Queued& a, const Queued& b) { return a.id < b.id; });
    std::vector<Queued> unique;
    unique.reserve(queued_.size());
    for (auto& q : queued_) {
        if (!unique.empty() && unique.back().id == q.id) unique.back() = std::move(q);
        else unique.push_back(std::move(q));
    }
    queued_.clear();

    // One allocation for the whole image keeps large benchmark inputs quick to build.
    const std::size_t align = std::max<std::uint32_t>(options_.header.block_size, 4);
    const std::uint32_t payload = payload_of(options_.header.block_size);
    const auto footprint = [&](std::size_t n) {
        const std::size_t raw = payload == 0 ? 4 + n : std::max<std::size_t>(1, (n + payload - 1) / payload) * align;
        return (raw + align - 1) / align * align;
    };
    std::size_t estimate = image_.bytes.size() + (unique.size() / options_.max_entries_per_node + 1) * 2 *
                                                     footprint(dat_node::size);
    for (const auto& q : unique) estimate += footprint(q.data.size());
    image_.bytes.reserve(estimate);

    std::vector<DatFileEntry> sorted;
    sorted.reserve(unique.size());
    for (auto& q : unique) {
        sorted.push_back(store_entry(q.id, q.data, q.options));
        q.data = {};
    }
    const std::uint32_t root = sorted.empty() ? 0 : build_subtree(sorted);
    return std::move(*this).finish_with_root(root);
}

DatImage DatWriter::finish_with_root(std::uint32_t root_offset) && {
    if (!queued_.empty()) fail("finish_with_root with queued entries");
    DatHeader& h = image_.header;
    h.root_offset = root_offset;
    h.file_size = static_cast<std::uint32_t>(image_.bytes.size());
    std::uint8_t* p = image_.bytes.data() + DatHeader::offset;
    for (const std::uint32_t v : {h.magic, h.block_size, h.file_size, h.dataset, h.subset, h.free_head, h.free_tail,
                                  h.free_count, h.root_offset, h.new_lru, h.old_lru, h.use_lru, h.master_map_id,
                                  h.engine_version, h.game_version}) {
        store_le(p, v);
        p += 4;
    }
    std::memcpy(p, h.version_string.data(), h.version_string.size());
    store_le(p + h.version_string.size(), h.version_minor);
    return std::move(image_);
}

}  // namespace quorvel::test
