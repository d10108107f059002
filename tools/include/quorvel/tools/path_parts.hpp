// The stem and extension of a path's final component.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvel {

struct FileNameParts {
    std::string stem;                      // the name without its extension (empty when there is no name)
    std::optional<std::string> extension;  // after the last dot, when that dot is not the name's first character
};

/// Splits the final component; a name beginning with its only dot (".gitkeep") is its own stem.
FileNameParts split_file_name(const std::filesystem::path& path);

}  // namespace quorvel
