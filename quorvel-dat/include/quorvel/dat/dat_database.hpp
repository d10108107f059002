// An open DAT file with its whole directory in memory, and the block-chain reads behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "quorvel/dat/dat_entry_map.hpp"
#include "quorvel/dat/dat_file_entry.hpp"
#include "quorvel/dat/dat_header.hpp"
#include "quorvel/dat/error.hpp"
#include "quorvel/dat/file_type.hpp"
#include "quorvel/dat/utils/file.hpp"

namespace quorvel {

/// Layout of a directory node, read as one 1716-byte item.
namespace dat_node {
inline constexpr std::uint32_t size = 1716;
inline constexpr std::size_t branch_count = 62;
inline constexpr std::size_t max_entries = 61;
inline constexpr std::size_t count_offset = 248;
inline constexpr std::size_t entries_offset = 252;
static_assert(entries_offset + max_entries * DatFileEntry::size_on_disk == size);
}  // namespace dat_node

class DatDatabase {
public:
    // Defined out of line: inlined into a variant's move, GCC 12 warns of fields it thinks unset.
    DatDatabase(DatDatabase&&) noexcept;
    DatDatabase& operator=(DatDatabase&&) noexcept;
    DatDatabase(const DatDatabase&) = delete;
    DatDatabase& operator=(const DatDatabase&) = delete;

    /// Opens the file, decodes the header and walks the whole directory. Fails with PathError when
    /// the file cannot be opened, BinRead when the header or a node's entries are cut short, Io when
    /// a node's chain leaves the file, and Corruption when the directory is not a finite tree or a
    /// node's chain cannot end.
    static DatResult<DatDatabase> open(const std::filesystem::path& path);

    const DatHeader& header() const { return header_; }
    const DatEntryMap& entries() const { return entries_; }
    DatKind kind() const { return kind_; }
    /// The file's length as taken when it was opened.
    std::uint64_t file_length() const { return file_length_; }

    /// Exactly `size` bytes gathered from the block chain starting at `offset`. Fails with Io when a
    /// link or payload lies beyond the end of the file or a read fails, and with Corruption when
    /// `size` exceeds the file's length or the chain follows more blocks than the file can hold.
    DatResult<std::vector<std::uint8_t>> read_file_data(std::uint32_t offset, std::uint32_t size) const;

    /// The entry's bytes, decompressed when bit 0 of its flags is set. Fails with NotFound for an
    /// unknown id, otherwise as read_file_data; the database stays usable.
    DatResult<std::vector<std::uint8_t>> get_file(std::uint32_t id) const;

private:
    DatDatabase(File file, std::uint64_t file_length, DatHeader header);

    /// read_file_data without the size check, for items whose size is fixed by the format.
    DatResult<std::vector<std::uint8_t>> read_chain(std::uint32_t offset, std::uint32_t size) const;
    DatResult<void> read_directory();
    /// Reads one node, appends its entries to `walked` and its child offsets, in visiting order, to `children`.
    DatResult<void> read_node(std::uint32_t offset, DatEntryMap::entry_vector& walked,
                              std::vector<std::uint32_t>& children) const;

    File file_;
    std::uint64_t file_length_ = 0;
    DatHeader header_;
    DatKind kind_ = DatKind::Unrecognized;
    DatEntryMap entries_;
};

}  // namespace quorvel
