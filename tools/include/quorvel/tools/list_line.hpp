// The lines of "list", written without a general formatter: a listing has one per entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

/// Appends the line of a DAT entry to `line`, exactly as
/// "{:08X} - {:<25} - Size: {:<10} - Offset: {:08X} - Flags: {:08X}\n" formats it. Cannot fail.
void append_dat_list_line(std::string& line, std::uint32_t id, std::string_view type_label, std::uint32_t size,
                          std::uint32_t offset, std::uint32_t flags);

/// Appends the line of a QVA entry to `line`, exactly as
/// "{}:{:08X} - {:<28} - Size: {:<10} - Offset: {:08X} - Flags: {:02X}\n" formats it. Cannot fail.
void append_qva_list_line(std::string& line, std::string_view namespace_label, std::uint32_t id,
                          std::string_view type_label, std::uint32_t size, std::uint64_t offset, std::uint32_t flags);

}  // namespace quorvel
