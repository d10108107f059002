// Opening a DAT file: header, block chains, the directory walk and the lookup of entry bytes.
#include "quorvel/dat/dat_database.hpp"

#include <algorithm>
#include <array>
#include <unordered_set>

#include <fmt/format.h>

#include "quorvel/dat/utils/lrs.hpp"

namespace quorvel {

DatDatabase::DatDatabase(File file, std::uint64_t file_length, DatHeader header)
    : file_(std::move(file)), file_length_(file_length), header_(header), kind_(dat_kind(header)) {}

DatDatabase::DatDatabase(DatDatabase&&) noexcept = default;
DatDatabase& DatDatabase::operator=(DatDatabase&&) noexcept = default;

DatResult<DatDatabase> DatDatabase::open(const std::filesystem::path& path) {
    auto file = File::open_read(path);
    if (!file) return std::unexpected(DatError::path_error(path, file.error()));
    const auto length = len_compat(*file);
    if (!length) return std::unexpected<DatError>(length.error());

    // Read what exists of the header, so a short file fails on the field where it ends.
    std::array<std::uint8_t, DatHeader::size> raw{};
    const std::size_t available =
        *length > DatHeader::offset ? std::min<std::uint64_t>(DatHeader::size, *length - DatHeader::offset) : 0;
    const std::span<std::uint8_t> present(raw.data(), available);
    if (auto read = read_exact_at_compat(*file, present, DatHeader::offset); !read)
        return std::unexpected<DatError>(read.error());
    ByteCursor cursor(present);
    auto header = DatHeader::read(cursor);
    if (!header) return std::unexpected<DatError>(std::move(header.error()));

    DatDatabase db(std::move(*file), *length, *header);
    if (auto walked = db.read_directory(); !walked) return std::unexpected(std::move(walked.error()));
    return db;
}

DatResult<std::vector<std::uint8_t>> DatDatabase::read_file_data(std::uint32_t offset, std::uint32_t size) const {
    // A size no chain inside the file can supply comes from a damaged directory; refuse it before
    // allocating a buffer of that size.
    if (size > file_length_)
        return std::unexpected(DatError::corruption(
            fmt::format("item at offset 0x{:08X} declares {} bytes, more than the file length of {} bytes", offset,
                        size, file_length_)));
    return read_chain(offset, size);
}

DatResult<std::vector<std::uint8_t>> DatDatabase::read_chain(std::uint32_t offset, std::uint32_t size) const {
    if (size == 0) return std::vector<std::uint8_t>{};
    std::vector<std::uint8_t> buffer(size);
    // Wraps around for block sizes below 4, which makes the first block carry the whole item.
    const std::uint32_t payload = header_.block_size - 4u;
    // Blocks of a sound chain do not overlap, so it has no more blocks than fit in the file. Without
    // this bound a looping chain of 4-byte blocks (no payload) would be followed forever.
    const std::uint64_t max_blocks = file_length_ / std::max<std::uint32_t>(header_.block_size, 4) + 1;

    // A block's link and the payload bytes wanted from it either way come in one read; only a last
    // block that holds more than a block's payload needs a second read for the rest.
    const std::uint32_t first_part = std::min(payload, size);
    std::vector<std::uint8_t> block(std::size_t{first_part} + 4);

    std::uint32_t remaining = size;
    std::uint32_t pos = offset;
    std::size_t written = 0;
    for (std::uint64_t blocks = 0;; ++blocks) {
        if (blocks == max_blocks)
            return std::unexpected(DatError::corruption(fmt::format(
                "block chain at offset 0x{:08X} does not end within the {} blocks the file can hold", offset,
                max_blocks)));
        const std::uint32_t part = std::min(payload, remaining);
        const std::span<std::uint8_t> head(block.data(), std::size_t{part} + 4);
        if (auto read = read_exact_at_compat(file_, head, pos); !read) return std::unexpected<DatError>(read.error());
        const auto next = load_le<std::uint32_t>(block.data());
        std::copy_n(block.data() + 4, part, buffer.data() + written);
        // The last block holds all that remains, however long that is.
        const std::uint32_t n = next == 0 ? remaining : part;
        if (n > part) {
            const std::uint64_t data_at = std::uint64_t{pos} + 4 + part;
            if (auto read = read_exact_at_compat(file_, std::span(buffer).subspan(written + part, n - part), data_at); !read)
                return std::unexpected<DatError>(read.error());
        }
        written += n;
        remaining -= n;
        if (next == 0 || remaining == 0) break;
        pos = next;
    }
    return buffer;
}

DatResult<std::vector<std::uint8_t>> DatDatabase::get_file(std::uint32_t id) const {
    const auto it = entries_.find(id);
    if (it == entries_.end()) return std::unexpected(DatError::not_found(id));
    auto stored = read_file_data(it->second.offset, it->second.size);
    if (!stored || !it->second.is_compressed()) return stored;
    return decompress_lrs(*stored);
}

DatResult<void> DatDatabase::read_directory() {
    // Pre-order walk with an explicit stack; a node reached twice means a cycle (or shared
    // subtrees), which is refused instead of being walked without end.
    std::vector<std::uint32_t> pending;
    std::unordered_set<std::uint32_t> visited;
    std::vector<std::uint32_t> children;
    if (header_.root_offset != 0) pending.push_back(header_.root_offset);
    while (!pending.empty()) {
        const std::uint32_t offset = pending.back();
        pending.pop_back();
        if (!visited.insert(offset).second)
            return std::unexpected(DatError::corruption(
                fmt::format("directory node at offset 0x{:08X} is reached more than once", offset)));
        children.clear();
        if (auto read = read_node(offset, children); !read) return read;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return {};
}

DatResult<void> DatDatabase::read_node(std::uint32_t offset, std::vector<std::uint32_t>& children) {
    auto node = read_chain(offset, dat_node::size);
    if (!node) return std::unexpected(std::move(node.error()));
    const std::uint8_t* bytes = node->data();

    std::array<std::uint32_t, dat_node::branch_count> branches;
    for (std::size_t j = 0; j < branches.size(); ++j) branches[j] = load_le<std::uint32_t>(bytes + 4 * j);
    const auto count = load_le<std::uint32_t>(bytes + dat_node::count_offset);

    // A count above 61 runs off the node's end and fails there, so it never drives an allocation.
    ByteCursor cursor(*node);
    cursor.seek(dat_node::entries_offset);
    for (std::uint32_t i = 0; i < count; ++i) {
        auto entry = DatFileEntry::read(cursor);
        if (!entry) return std::unexpected<DatError>(std::move(entry.error()));
        entries_.insert_or_assign(entry->id, *entry);
    }

    if (branches[0] == 0) return {};
    const std::size_t last = std::min<std::size_t>(count, dat_node::max_entries);
    for (std::size_t j = 0; j <= last; ++j)
        if (branches[j] != 0) children.push_back(branches[j]);
    return {};
}

}  // namespace quorvel
