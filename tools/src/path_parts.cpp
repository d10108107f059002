// Splitting a file name at its last dot.
#include "quorvel/tools/path_parts.hpp"

namespace quorvel {

FileNameParts split_file_name(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    if (name == "." || name == "..") return {};
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {std::move(name), std::nullopt};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

}  // namespace quorvel
