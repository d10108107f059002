// The stem and extension of a path's final component, and the path with another extension.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

struct FileNameParts {
    std::string stem;                      // the name without its extension (empty when there is no name)
    std::optional<std::string> extension;  // after the last dot, when that dot is not the name's first character

    bool operator==(const FileNameParts&) const = default;
};

/// Splits the final component, the last name left after trailing separators and "." components are
/// dropped ("dir/" and "dir/." name "dir"); "", "/", "." and ".." have no name. A name beginning with
/// its only dot (".gitkeep") is its own stem.
FileNameParts split_file_name(const std::filesystem::path& path);

/// `text` with the letters A-Z turned to lower case; file-name rules fold ASCII case only.
std::string to_ascii_lower(std::string text);

/// The path with the final component's extension replaced by `extension`, or with "." and `extension`
/// appended to a name without one; anything after the final component is dropped. None when the path
/// has no final component.
std::optional<std::filesystem::path> with_extension(const std::filesystem::path& path, std::string_view extension);

}  // namespace quorvel
