// Writes zip files of stored (uncompressed) entries, with the zip64 end records past 65535 entries.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::bench {

class ZipWriter {
public:
    /// Aborts the program when the file cannot be created: the generator has no use for half an input.
    explicit ZipWriter(const std::filesystem::path& path);
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;
    ~ZipWriter();

    void add(std::string_view name, std::span<const std::uint8_t> data);
    /// Writes the central directory and the end records and closes the file.
    void finish();

private:
    struct Central {
        std::string name;
        std::uint32_t crc;
        std::uint32_t size;
        std::uint64_t offset;
    };

    void put(std::span<const std::uint8_t> bytes);

    std::FILE* file_;
    std::uint64_t position_ = 0;
    std::vector<Central> central_;
};

std::uint32_t crc32(std::span<const std::uint8_t> data);

}  // namespace quorvel::bench
