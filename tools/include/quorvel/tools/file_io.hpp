// Whole-file reads and writes at user-given paths.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "quorvel/tools/error.hpp"

namespace quorvel {

/// Creates or truncates `path` and writes all of `bytes`; fails with the operating system's message.
Result<> write_whole_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

/// Creates `path` and writes all of `bytes`; fails with the operating system's message, also when
/// something of that name already exists (nothing is then changed).
Result<> write_new_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

/// The whole content of `path`, read to its end whatever length it reports, as the first bytes of
/// `buffer`, which is grown when too small and never shrunk, so reading many files through it
/// allocates and clears once. Fails with the operating system's message.
Result<std::span<const std::uint8_t>> read_whole_file_into(const std::filesystem::path& path,
                                                           std::vector<std::uint8_t>& buffer);

/// Whether `path` opens for reading; fails with the operating system's message when it does not.
Result<> check_readable(const std::filesystem::path& path);

}  // namespace quorvel
