// Helpers shared by the archive tests: whole-file I/O, payloads, example archives and resource limits.
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
#include "quorvel/test_support/qva_records.hpp"
#include "quorvel/test_support/temp_dir.hpp"

namespace quorvel::test {

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
