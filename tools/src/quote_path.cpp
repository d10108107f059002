// Escaping paths for messages: printable characters stay, everything else becomes visible.
#include "quorvel/tools/quote_path.hpp"

#include <fmt/format.h>
#include <unicode/uchar.h>

#include "utf8_decode.hpp"

namespace quorvel {

namespace {

bool is_printable(UChar32 c) {
    switch (u_charType(c)) {
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_SURROGATE:
        case U_PRIVATE_USE_CHAR:
        case U_UNASSIGNED:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR: return false;
        case U_SPACE_SEPARATOR: return c == U' ';
        default: return true;
    }
}

}  // namespace

std::string quote_text(std::string_view bytes) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < bytes.size();) {
        const auto step = detail::decode_utf8_at(bytes, pos);
        const UChar32 c = step.code_point;
        if (c < 0) {
            for (std::size_t i = 0; i < step.length; ++i)
                fmt::format_to(std::back_inserter(out), "\\x{:02X}", static_cast<unsigned char>(bytes[pos + i]));
        } else if (c == 0) {
            out += "\\0";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND) || !is_printable(c)) {
            // A combining mark would otherwise fuse with the quote or the previous character unseen.
            fmt::format_to(std::back_inserter(out), "\\u{{{:x}}}", static_cast<std::uint32_t>(c));
        } else {
            out.append(bytes.substr(pos, step.length));
        }
        pos += step.length;
    }
    out += '"';
    return out;
}

std::string quote_path(const std::filesystem::path& path) { return quote_text(path.native()); }

}  // namespace quorvel
