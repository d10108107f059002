// Hand-written list lines: fixed fields in hexadecimal and padded decimal, labels padded by width.
#include "quorvel/tools/list_line.hpp"

#include <algorithm>

#include <fmt/format.h>

namespace quorvel {

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

void append_hex(std::string& line, std::uint64_t value, int min_digits) {
    char digits[16];
    int n = 0;
    do {
        digits[15 - n++] = hex_digits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    if (n < min_digits) line.append(static_cast<std::size_t>(min_digits - n), '0');
    line.append(digits + 16 - n, static_cast<std::size_t>(n));
}

void append_decimal_padded(std::string& line, std::uint32_t value, std::size_t width) {
    char digits[10];
    std::size_t n = 0;
    do {
        digits[9 - n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    line.append(digits + 10 - n, n);
    if (n < width) line.append(width - n, ' ');
}

// Padding counts display width, as the formatter does; for ASCII that is the byte count. Anything
// else is left to the formatter, which knows about wide and combining characters.
void append_padded(std::string& line, std::string_view text, std::size_t width) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        line.append(text);
        if (text.size() < width) line.append(width - text.size(), ' ');
        return;
    }
    fmt::format_to(std::back_inserter(line), "{:<{}}", text, width);
}

}  // namespace

void append_dat_list_line(std::string& line, std::uint32_t id, std::string_view type_label, std::uint32_t size,
                          std::uint32_t offset, std::uint32_t flags) {
    append_hex(line, id, 8);
    line.append(" - ");
    append_padded(line, type_label, 25);
    line.append(" - Size: ");
    append_decimal_padded(line, size, 10);
    line.append(" - Offset: ");
    append_hex(line, offset, 8);
    line.append(" - Flags: ");
    append_hex(line, flags, 8);
    line.push_back('\n');
}

void append_qva_list_line(std::string& line, std::string_view namespace_label, std::uint32_t id,
                          std::string_view type_label, std::uint32_t size, std::uint64_t offset, std::uint32_t flags) {
    line.append(namespace_label);
    line.push_back(':');
    append_hex(line, id, 8);
    line.append(" - ");
    append_padded(line, type_label, 28);
    line.append(" - Size: ");
    append_decimal_padded(line, size, 10);
    line.append(" - Offset: ");
    append_hex(line, offset, 8);
    line.append(" - Flags: ");
    append_hex(line, flags, 2);
    line.push_back('\n');
}

}  // namespace quorvel
