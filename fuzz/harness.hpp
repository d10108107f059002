// What every fuzz target shares: its entry point, invariant checks, error rendering and inputs as files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "quorvel/dat/error.hpp"

namespace quorvel::fuzz {

/// Runs one input through the target's entry points; each target defines it once. The shared
/// libFuzzer entry around it aborts when one allocation exceeds max(8 x input size, 1 MiB) + 64 KiB.
void run_one(std::span<const std::uint8_t> data);

/// Raises the allocation ceiling to at least `bytes` (plus the slack) while it lives, for a buffer
/// whose size the format itself lets the data choose.
class AllowAllocation {
public:
    explicit AllowAllocation(std::size_t bytes);
    AllowAllocation(const AllowAllocation&) = delete;
    AllowAllocation& operator=(const AllowAllocation&) = delete;
    ~AllowAllocation();

private:
    std::size_t saved_;
};

/// Aborts with `what` when `condition` is false, so that a broken invariant is reported like a crash.
void require(bool condition, std::string_view what);

/// Builds every text of the error, so that formatting runs on hostile payloads too.
void render(const DatError& error);
void render(const RecordError& error);

/// True when `text` is well-formed UTF-8 (no surrogates, no overlong forms, nothing above U+10FFFF).
bool is_utf8(std::string_view text);

/// The input as an anonymous in-memory file, opened by path like a file on disk.
class MemoryFile {
public:
    explicit MemoryFile(std::span<const std::uint8_t> data);
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile();

    /// A path that opens this file (through /proc/self/fd).
    const std::filesystem::path& path() const { return path_; }

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

}  // namespace quorvel::fuzz
