// Splitting a path's final component at its last dot.
#include "quorvel/tools/path_parts.hpp"

namespace quorvel {

namespace {

struct FinalComponent {
    std::string_view directory;  // everything before the name, separator included
    std::string_view name;
};

// Trailing separators and "." components name no file, so they are skipped to reach the final name.
std::optional<FinalComponent> final_component(std::string_view text) {
    while (true) {
        while (!text.empty() && text.back() == '/') text.remove_suffix(1);
        if (text == ".") return std::nullopt;
        if (!text.ends_with("/.")) break;
        text.remove_suffix(2);
    }
    const auto slash = text.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? text : text.substr(slash + 1);
    if (name.empty() || name == "..") return std::nullopt;
    return FinalComponent{text.substr(0, text.size() - name.size()), name};
}

// Where the stem ends: at the last dot, unless that dot is the name's first character.
std::size_t stem_length(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name.size() : dot;
}

}  // namespace

FileNameParts split_file_name(const std::filesystem::path& path) {
    const auto component = final_component(path.native());
    if (!component) return {};
    const std::string_view name = component->name;
    const std::size_t stem = stem_length(name);
    if (stem == name.size()) return {std::string(name), std::nullopt};
    return {std::string(name.substr(0, stem)), std::string(name.substr(stem + 1))};
}

std::optional<std::filesystem::path> with_extension(const std::filesystem::path& path, std::string_view extension) {
    const auto component = final_component(path.native());
    if (!component) return std::nullopt;
    std::string text(component->directory);
    text += component->name.substr(0, stem_length(component->name));
    text += '.';
    text += extension;
    return std::filesystem::path(std::move(text));
}

std::string to_ascii_lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace quorvel
