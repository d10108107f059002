// The quoted form in which messages show paths, safe to print whatever bytes the path holds.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel {

/// The text between double quotes with `\` and `"` escaped by a backslash; NUL, tab, CR and LF as
/// \0 \t \r \n; characters that are not printable or that combine with the one before as \u{hex};
/// bytes that are not valid UTF-8 as \xNN. Never fails.
std::string quote_text(std::string_view bytes);

/// `quote_text` of the path's bytes as the operating system holds them.
std::string quote_path(const std::filesystem::path& path);

}  // namespace quorvel
