// Helpers shared by the archive tests: scratch directories, whole-file I/O and QVA record builders.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::test {

/// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-qva-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    /// The names in the directory, to check that no temporary is left behind.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
        return out;
    }

private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

/// `n` bytes of a pattern zstd cannot shorten much at this size, distinct per seed.
inline std::vector<std::uint8_t> pattern_bytes(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(seed + i * 7);
    return out;
}

/// A namespace's 32-byte stored form: the label, then zero bytes.
inline ByteBuilder& namespace_field(ByteBuilder& b, std::string_view label) {
    return b.text(label).fill(32 - label.size());
}

inline ByteBuilder& qva_header(ByteBuilder& b, std::uint32_t entry_count, std::uint64_t index_offset,
                               std::uint32_t metadata_size) {
    return b.text("QVA").u8(0)      // magic
        .u32(2)                     // version
        .u32(entry_count)           // entry_count
        .u64(index_offset)          // index_offset
        .u32(metadata_size);        // metadata_size
}

inline ByteBuilder& qva_namespace_record(ByteBuilder& b, std::string_view label, std::uint32_t start_index,
                                         std::uint32_t entry_count) {
    namespace_field(b, label);  // namespace
    return b.u32(start_index)   // start_index
        .u32(entry_count);      // entry_count
}

struct EntryFields {
    std::string_view label;
    std::uint32_t file_id;
    std::uint32_t type_id;
    std::uint64_t offset;
    std::uint32_t size;
    std::uint32_t comp_size;
    std::uint8_t flags = 0;
};

inline ByteBuilder& qva_entry(ByteBuilder& b, const EntryFields& e) {
    namespace_field(b, e.label);  // namespace
    return b.u32(e.file_id)       // file_id
        .u32(e.type_id)           // type_id
        .u64(e.offset)            // offset
        .u32(e.size)              // size
        .u32(e.comp_size)         // comp_size
        .u8(e.flags)              // flags
        .u8(0)                    // storage_id
        .u16(0);                  // reserved
}

/// Payloads of the two-entry example archive: id 1 (type 6, 100 bytes) and id 2 (type 10, 50 bytes).
inline std::vector<std::uint8_t> example_payload_1() { return pattern_bytes(100, 1); }
inline std::vector<std::uint8_t> example_payload_2() { return pattern_bytes(50, 101); }

/// The 338-byte archive with those two raw entries in "eor/portal".
inline std::vector<std::uint8_t> example_archive() {
    ByteBuilder b;
    qva_header(b, 2, 218, 44);
    b.bytes(example_payload_1());  // 24..123
    b.bytes(example_payload_2());  // 124..173
    b.u32(1);                      // namespace record count
    qva_namespace_record(b, "eor/portal", 0, 2);
    qva_entry(b, {"eor/portal", 1, 6, 24, 100, 100});
    qva_entry(b, {"eor/portal", 2, 10, 124, 50, 50});
    return b.take();
}

/// The 28-byte archive without entries.
inline std::vector<std::uint8_t> empty_archive() {
    ByteBuilder b;
    qva_header(b, 0, 28, 4);
    b.u32(0);  // namespace record count
    return b.take();
}

/// Sets a resource limit for the lifetime of the guard.
class ResourceLimit {
public:
    ResourceLimit(int resource, rlim_t soft) : resource_(resource) {
        ::getrlimit(resource_, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = soft;
        ::setrlimit(resource_, &limit);
    }
    ~ResourceLimit() { ::setrlimit(resource_, &saved_); }
    ResourceLimit(const ResourceLimit&) = delete;
    ResourceLimit& operator=(const ResourceLimit&) = delete;

private:
    int resource_;
    rlimit saved_{};
};

}  // namespace quorvel::test
