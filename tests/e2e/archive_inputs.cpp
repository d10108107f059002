// Writing the DAT files and QVA archives that end-to-end tests run the program on.
#include "archive_inputs.hpp"

#include <fstream>
#include <stdexcept>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/dat/archive/qva_writer.hpp"

namespace quorvel::test {

void write_dat(const std::filesystem::path& path, const std::vector<std::pair<std::uint32_t, Bytes>>& entries,
               const DatHeader& header) {
    DatWriter writer({.header = header});
    for (const auto& [id, bytes] : entries) writer.add(id, bytes);
    if (!std::move(writer).finish().write(path)) throw std::runtime_error("cannot write " + path.native());
}

void write_qva(const std::filesystem::path& path, std::vector<QvaItem> items, bool compress) {
    QvaWriter writer;
    writer.compress = compress;
    for (auto& item : items)
        if (auto added = writer.add(item.label, item.file_id, item.type_id, std::move(item.payload)); !added)
            throw std::runtime_error(added.error().message());
    if (auto written = std::move(writer).write(path); !written) throw std::runtime_error(written.error().message());
}

void patch_index_namespace(const std::filesystem::path& path, std::uint32_t position, std::span<const std::uint8_t, 32> bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    std::uint8_t header[24];
    file.read(reinterpret_cast<char*>(header), sizeof header);
    const auto index_offset = load_le<std::uint64_t>(header + 12);
    file.seekp(static_cast<std::streamoff>(index_offset + 60 * std::uint64_t{position}));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot patch " + path.native());
}

}  // namespace quorvel::test
