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

namespace {

// The blocks of a chain usually lie one after another, upwards or downwards, so a chain is fetched in
// reads of the span a contiguous chain would cover; a block outside the span held costs a read of its own.
class ChainWindow {
public:
    ChainWindow(const File& file, std::uint64_t file_length) : file_(file), file_length_(file_length) {}

    /// The `length` bytes at `pos`; when they are not held, reads them together with what follows
    /// them (or, `downwards`, what precedes them), up to `span` bytes in all and never beyond the
    /// file's end.
    DatResult<const std::uint8_t*> bytes_at(std::uint64_t pos, std::size_t length, std::uint64_t span, bool downwards) {
        if (pos >= start_ && pos - start_ <= buffer_.size() && length <= buffer_.size() - (pos - start_))
            return buffer_.data() + (pos - start_);
        const std::uint64_t wanted = std::max<std::uint64_t>(span, length);
        const std::uint64_t end = pos + length;
        start_ = downwards ? end - std::min(wanted, end) : pos;
        // The look-ahead stops at the file's end; the bytes asked for are read regardless, so a chain
        // that leaves the file fails as a short read.
        const std::uint64_t in_file = file_length_ > start_ ? file_length_ - start_ : 0;
        buffer_.resize(std::max(end - start_, std::min(wanted, in_file)));
        if (auto read = read_exact_at_compat(file_, buffer_, start_); !read) {
            buffer_.clear();
            return std::unexpected<DatError>(read.error());
        }
        return buffer_.data() + (pos - start_);
    }

private:
    const File& file_;
    std::uint64_t file_length_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t start_ = 0;
};

// Large enough for a directory node in any block size, small enough that a large entry is not held twice.
constexpr std::uint64_t max_window = 64 * 1024;

}  // namespace

DatResult<std::vector<std::uint8_t>> DatDatabase::read_chain(std::uint32_t offset, std::uint32_t size) const {
    if (size == 0) return std::vector<std::uint8_t>{};
    std::vector<std::uint8_t> buffer(size);
    // Wraps around for block sizes below 4, which makes the first block carry the whole item.
    const std::uint32_t payload = header_.block_size - 4u;
    // Blocks of a sound chain do not overlap, so it has no more blocks than fit in the file. Without
    // this bound a looping chain of 4-byte blocks (no payload) would be followed forever.
    const std::uint64_t max_blocks = file_length_ / std::max<std::uint32_t>(header_.block_size, 4) + 1;
    const auto contiguous_span = [payload, block_size = header_.block_size](std::uint64_t remaining) {
        const std::uint64_t blocks = payload == 0 ? 1 : (remaining + payload - 1) / payload;
        return std::min(blocks * block_size, max_window);
    };

    ChainWindow window(file_, file_length_);
    std::uint32_t remaining = size;
    std::uint32_t pos = offset;
    std::uint32_t previous = offset;
    std::size_t written = 0;
    for (std::uint64_t blocks = 0;; ++blocks) {
        if (blocks == max_blocks)
            return std::unexpected(DatError::corruption(fmt::format(
                "block chain at offset 0x{:08X} does not end within the {} blocks the file can hold", offset,
                max_blocks)));
        const std::uint32_t part = std::min(payload, remaining);
        auto block = window.bytes_at(pos, std::size_t{part} + 4, contiguous_span(remaining), pos < previous);
        if (!block) return std::unexpected(std::move(block.error()));
        const auto next = load_le<std::uint32_t>(*block);
        std::copy_n(*block + 4, part, buffer.data() + written);
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
        previous = pos;
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
    DatEntryMap::entry_vector walked;
    if (header_.root_offset != 0) pending.push_back(header_.root_offset);
    while (!pending.empty()) {
        const std::uint32_t offset = pending.back();
        pending.pop_back();
        if (!visited.insert(offset).second)
            return std::unexpected(DatError::corruption(
                fmt::format("directory node at offset 0x{:08X} is reached more than once", offset)));
        children.clear();
        if (auto read = read_node(offset, walked, children); !read) return read;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    entries_ = DatEntryMap(std::move(walked));
    return {};
}

DatResult<void> DatDatabase::read_node(std::uint32_t offset, DatEntryMap::entry_vector& walked,
                                       std::vector<std::uint32_t>& children) const {
    auto node = read_chain(offset, dat_node::size);
    if (!node) return std::unexpected(std::move(node.error()));
    const std::uint8_t* bytes = node->data();

    std::array<std::uint32_t, dat_node::branch_count> branches;
    for (std::size_t j = 0; j < branches.size(); ++j) branches[j] = load_le<std::uint32_t>(bytes + 4 * j);
    const auto count = load_le<std::uint32_t>(bytes + dat_node::count_offset);
    const std::size_t fitting = std::min<std::size_t>(count, dat_node::max_entries);

    // The entries that fit the node are decoded straight from its bytes, the hot loop of opening a
    // large file; the cursor is needed only to report a count above 61, which runs off the node's end.
    for (std::size_t i = 0; i < fitting; ++i) {
        const std::uint8_t* raw = bytes + dat_node::entries_offset + i * DatFileEntry::size_on_disk;
        const DatFileEntry entry{.bit_flags = load_le<std::uint32_t>(raw),
                                 .id = load_le<std::uint32_t>(raw + 4),
                                 .offset = load_le<std::uint32_t>(raw + 8),
                                 .size = load_le<std::uint32_t>(raw + 12),
                                 .timestamp = load_le<std::uint32_t>(raw + 16),
                                 .version = load_le<std::uint32_t>(raw + 20)};
        walked.emplace_back(entry.id, entry);
    }
    if (count > fitting) {
        ByteCursor cursor(*node);
        cursor.seek(dat_node::size);
        return std::unexpected<DatError>(DatFileEntry::read(cursor).error());
    }

    if (branches[0] == 0) return {};
    for (std::size_t j = 0; j <= fitting; ++j)
        if (branches[j] != 0) children.push_back(branches[j]);
    return {};
}

}  // namespace quorvel
