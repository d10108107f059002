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

/// The whole content of `path`; fails with the operating system's message.
Result<std::vector<std::uint8_t>> read_whole_file(const std::filesystem::path& path);

}  // namespace quorvel
