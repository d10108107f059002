// Inputs shared by the micro-benchmarks, written once per process to the temporary directory.
#pragma once

#include <filesystem>

namespace quorvel::bench {

/// A cell-like DAT of 100,000 entries.
const std::filesystem::path& micro_cell_dat();
/// A QVA archive of 100,000 small entries.
const std::filesystem::path& micro_qva();

}  // namespace quorvel::bench
