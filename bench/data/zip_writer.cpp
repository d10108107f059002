// Stored-entry zip files for the peer tools of the benchmarks.
#include "zip_writer.hpp"

#include <array>
#include <cstdlib>

#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::bench {

namespace {

constexpr std::uint16_t dos_time = 0;
constexpr std::uint16_t dos_date = (44 << 9) | (1 << 5) | 1;  // 2024-01-01

std::array<std::uint32_t, 256> crc_table() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}

[[noreturn]] void die(const char* what) {
    std::perror(what);
    std::exit(1);
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> data) {
    static const auto table = crc_table();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const auto b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

ZipWriter::ZipWriter(const std::filesystem::path& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) die(path.c_str());
}

ZipWriter::~ZipWriter() {
    if (file_) std::fclose(file_);
}

void ZipWriter::put(std::span<const std::uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) die("zip write");
    position_ += bytes.size();
}

void ZipWriter::add(std::string_view name, std::span<const std::uint8_t> data) {
    const std::uint32_t crc = crc32(data);
    const auto size = static_cast<std::uint32_t>(data.size());
    test::ByteBuilder h;
    h.u32(0x04034b50).u16(20).u16(0).u16(0).u16(dos_time).u16(dos_date);
    h.u32(crc).u32(size).u32(size).u16(static_cast<std::uint16_t>(name.size())).u16(0);
    h.bytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    central_.push_back(Central{std::string(name), crc, size, position_});
    put(h.data());
    put(data);
}

void ZipWriter::finish() {
    const std::uint64_t cd_start = position_;
    for (const auto& c : central_) {
        const bool far = c.offset >= 0xFFFFFFFFu;
        test::ByteBuilder h;
        h.u32(0x02014b50).u16(far ? 45 : 20).u16(far ? 45 : 20).u16(0).u16(0).u16(dos_time).u16(dos_date);
        h.u32(c.crc).u32(c.size).u32(c.size).u16(static_cast<std::uint16_t>(c.name.size())).u16(far ? 12 : 0);
        h.u16(0).u16(0).u16(0).u32(0).u32(far ? 0xFFFFFFFFu : static_cast<std::uint32_t>(c.offset));
        h.bytes(std::span(reinterpret_cast<const std::uint8_t*>(c.name.data()), c.name.size()));
        if (far) h.u16(0x0001).u16(8).u64(c.offset);
        put(h.data());
    }
    const std::uint64_t cd_size = position_ - cd_start;
    const std::uint64_t count = central_.size();
    const bool zip64 = count >= 0xFFFF || cd_start >= 0xFFFFFFFFu;
    test::ByteBuilder e;
    if (zip64) {
        const std::uint64_t record_at = position_;
        e.u32(0x06064b50).u64(44).u16(45).u16(45).u32(0).u32(0).u64(count).u64(count).u64(cd_size).u64(cd_start);
        e.u32(0x07064b50).u32(0).u64(record_at).u32(1);
    }
    const auto small_count = static_cast<std::uint16_t>(zip64 ? 0xFFFF : count);
    e.u32(0x06054b50).u16(0).u16(0).u16(small_count).u16(small_count);
    e.u32(static_cast<std::uint32_t>(std::min<std::uint64_t>(cd_size, 0xFFFFFFFFu)));
    e.u32(static_cast<std::uint32_t>(std::min<std::uint64_t>(cd_start, 0xFFFFFFFFu))).u16(0);
    put(e.data());
    if (std::fclose(file_) != 0) die("zip close");
    file_ = nullptr;
}

}  // namespace quorvel::bench
