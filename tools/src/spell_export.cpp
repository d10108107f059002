// Selection of spells and fields from the spell table, and the JSON text of the exported document.
#include "quorvel/tools/spell_export.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>

namespace quorvel {

namespace {

template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};

constexpr std::array<SpellExportField, 12> base_preset{
    SpellExportField::Name,     SpellExportField::Description,       SpellExportField::School,
    SpellExportField::Category, SpellExportField::Bitfield,          SpellExportField::BaseMana,
    SpellExportField::BaseRangeConstant, SpellExportField::BaseRangeMod, SpellExportField::Power,
    SpellExportField::RawComponents, SpellExportField::ManaMod,      SpellExportField::FormulaVersion,
};

constexpr std::array<SpellExportField, 8> minimal_preset{
    SpellExportField::Name,     SpellExportField::Description,       SpellExportField::School,
    SpellExportField::Category, SpellExportField::Bitfield,          SpellExportField::BaseRangeConstant,
    SpellExportField::BaseRangeMod, SpellExportField::Power,
};

constexpr bool table_in_enum_order() {
    for (std::size_t i = 0; i < spell_export_fields.size(); ++i)
        if (static_cast<std::size_t>(spell_export_fields[i].field) != i || static_cast<std::size_t>(base_preset[i]) != i)
            return false;
    return true;
}
static_assert(table_in_enum_order(), "field table, enum and base preset must share one order");

std::string_view json_key(SpellExportField field) { return spell_export_fields[static_cast<std::size_t>(field)].json_key; }

// The school filter's values are the schools' positions plus one.
std::uint32_t school_value(SpellSchool school) { return static_cast<std::uint32_t>(school) + 1; }

std::optional<double> widen(float value) {
    if (!std::isfinite(value)) return std::nullopt;
    return static_cast<double>(value);
}

SpellExportValue field_value(const SpellBase& spell, SpellExportField field) {
    switch (field) {
        case SpellExportField::Name: return spell.name;
        case SpellExportField::Description: return spell.description;
        case SpellExportField::School: return spell.school;
        case SpellExportField::Category: return spell.category;
        case SpellExportField::Bitfield: return spell.bitfield;
        case SpellExportField::BaseMana: return spell.base_mana;
        case SpellExportField::BaseRangeConstant: return widen(spell.base_range_constant);
        case SpellExportField::BaseRangeMod: return widen(spell.base_range_mod);
        case SpellExportField::Power: return spell.power;
        case SpellExportField::RawComponents: return spell.raw_components;
        case SpellExportField::ManaMod: return spell.mana_mod;
        case SpellExportField::FormulaVersion: return spell.formula_version;
    }
    return std::uint32_t{0};
}

// Shortest text that reads back to the same double. Plain notation for the magnitudes spell data
// has, with ".0" on integral values; exponent notation only far outside them.
std::string format_double(double value) {
    char scientific[64];
    const auto sci = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
    const std::string_view sci_text(scientific, static_cast<std::size_t>(sci.ptr - scientific));
    const std::size_t e = sci_text.find('e');
    int exponent = 0;
    const char* exp_begin = sci_text.data() + e + 1;
    if (*exp_begin == '+') ++exp_begin;
    std::from_chars(exp_begin, sci.ptr, exponent);
    if (exponent < -5 || exponent >= 16) return std::string(sci_text);

    char fixed[64];  // at most 17 digits, a sign, a point and 5 leading zeros in this range
    const auto fix = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed);
    std::string text(fixed, fix.ptr);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

struct Utf8Sequence {
    std::size_t length;  // at least 1: the whole sequence, or its longest well-formed start
    bool complete;
};

// The UTF-8 sequence at the start of a non-empty `text`, checked for overlong forms, surrogates
// and code points above U+10FFFF.
Utf8Sequence utf8_sequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return {1, true};
    std::size_t length = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead == 0xE0) length = 3, lo = 0xA0;
    else if (lead == 0xED) length = 3, hi = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF) length = 3;
    else if (lead == 0xF0) length = 4, lo = 0x90;
    else if (lead == 0xF4) length = 4, hi = 0x8F;
    else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
    else return {1, false};
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = k < text.size() ? static_cast<unsigned char>(text[k]) : 0;
        if (k >= text.size() || byte < (k == 1 ? lo : 0x80) || byte > (k == 1 ? hi : 0xBF)) return {k, false};
    }
    return {length, true};
}

// The pretty-printed JSON text, written in one pass into one buffer: a general JSON library would
// build a tree of the whole document first and, for floats, does not always give the shortest
// text, so a large table would cost a tree, a dump and a rewrite.
class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    // Objects and arrays; an empty one is written {} or [].
    void open(char bracket) {
        out_ += bracket;
        ++depth_;
        first_ = true;
    }
    void close(char bracket) {
        --depth_;
        if (!first_) newline();
        out_ += bracket;
        first_ = false;
    }
    // Starts an array element or an object member.
    void element() {
        if (!first_) out_ += ',';
        newline();
        first_ = false;
    }
    // Member names here are JSON keys of the field table and decimal ids: nothing to escape.
    void key(std::string_view name) {
        element();
        plain_string(name);
        out_ += ": ";
    }
    void plain_string(std::string_view text) {
        out_ += '"';
        out_ += text;
        out_ += '"';
    }

    void unsigned_integer(std::uint64_t value) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out_.append(buffer, result.ptr);
    }

    void number(std::optional<double> value) {
        if (!value) out_ += "null";
        else out_ += format_double(*value);
    }

    // Escapes the quotation mark, the backslash and the control characters; everything else is
    // copied as UTF-8. Fails on bytes that are not valid UTF-8, so the document is always valid JSON.
    bool string(std::string_view text) {
        out_ += '"';
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t run = i;
            while (run < text.size() && plain(static_cast<unsigned char>(text[run]))) ++run;
            out_.append(text, i, run - i);
            i = run;
            if (i == text.size()) break;
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte >= 0x80) {
                const auto [length, complete] = utf8_sequence(text.substr(i));
                if (!complete) {
                    error_ = fmt::format("invalid UTF-8 byte at index {}: 0x{:02X}", i, byte);
                    return false;
                }
                out_.append(text, i, length);
                i += length;
                continue;
            }
            switch (byte) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\b': out_ += "\\b"; break;
                case '\t': out_ += "\\t"; break;
                case '\n': out_ += "\\n"; break;
                case '\f': out_ += "\\f"; break;
                case '\r': out_ += "\\r"; break;
                default: fmt::format_to(std::back_inserter(out_), "\\u{:04x}", byte); break;
            }
            ++i;
        }
        out_ += '"';
        return true;
    }

    const std::string& error() const { return error_; }

private:
    static bool plain(unsigned char byte) { return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\'; }

    void newline() {
        out_ += '\n';
        out_.append(2 * depth_, ' ');
    }

    std::string& out_;
    std::size_t depth_ = 0;
    bool first_ = true;
    std::string error_;
};

// The platform's display form of a path: bytes that are not valid UTF-8 become U+FFFD, one per
// maximal ill-formed subsequence.
std::string display_path(const std::filesystem::path& path) {
    const std::string_view bytes = path.native();
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto [length, complete] = utf8_sequence(bytes.substr(i));
        if (complete) out.append(bytes.substr(i, length));
        else out += "\xEF\xBF\xBD";
        i += length;
    }
    return out;
}

Result<> write_file(const std::filesystem::path& path, std::string_view text) {
    auto failure = [&](int code) {
        return std::unexpected(Error(IoError::from_errno(code).message()).context(fmt::format("could not write {}", display_path(path))));
    };
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return failure(errno);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return failure(code);
        }
        done += static_cast<std::size_t>(n);
    }
    // A full disk may show only when the file is closed.
    if (::close(fd) != 0) return failure(errno);
    return {};
}

}  // namespace

std::vector<SpellExportField> SpellExportRequest::resolved_fields() const {
    std::span<const SpellExportField> source = fields;
    if (source.empty()) {
        source = preset == SpellFieldPreset::Minimal ? std::span<const SpellExportField>(minimal_preset)
                                                     : std::span<const SpellExportField>(base_preset);
    }
    std::vector<SpellExportField> resolved;
    std::array<bool, spell_export_fields.size()> seen{};
    for (SpellExportField field : source) {
        auto& was_seen = seen[static_cast<std::size_t>(field)];
        if (was_seen) continue;
        was_seen = true;
        resolved.push_back(field);
    }
    return resolved;
}

SpellExportFile export_spell_table(const SpellTable& table, const SpellExportRequest& request) {
    SpellExportFile file;
    file.file_id = table.id;
    file.fields = request.resolved_fields();

    auto school_kept = [&](const SpellBase& spell) {
        return request.schools.empty() ||
               std::any_of(request.schools.begin(), request.schools.end(),
                           [&](SpellSchool school) { return spell.school == school_value(school); });
    };
    auto category_kept = [&](const SpellBase& spell) {
        return request.categories.empty() ||
               std::find(request.categories.begin(), request.categories.end(), spell.category) != request.categories.end();
    };

    std::vector<std::pair<std::uint32_t, const SpellBase*>> kept;
    for (const auto& [id, spell] : table.spells)
        if (school_kept(spell) && category_kept(spell)) kept.emplace_back(id, &spell);
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    file.spells.reserve(kept.size());
    for (const auto& [id, spell] : kept) {
        SpellExportSpell& out = file.spells.emplace_back();
        out.id = id;
        out.values.reserve(file.fields.size());
        for (SpellExportField field : file.fields) out.values.push_back(field_value(*spell, field));
    }
    return file;
}

Result<std::string> SpellExportFile::to_json() const {
    std::size_t text_bytes = 0;
    for (const SpellExportSpell& spell : spells)
        for (const SpellExportValue& value : spell.values)
            if (const auto* text = std::get_if<std::string>(&value)) text_bytes += text->size();
    std::string out;
    out.reserve(64 + 32 * fields.size() + spells.size() * (24 + 40 * fields.size()) + text_bytes);

    JsonWriter w(out);
    auto failed = [&] { return std::unexpected(Error(w.error())); };
    w.open('{');
    w.key("fileId");
    w.unsigned_integer(file_id);
    w.key("fields");
    w.open('[');
    for (SpellExportField field : fields) {
        w.element();
        w.plain_string(json_key(field));
    }
    w.close(']');
    w.key("spells");
    w.open('{');
    char id_text[16];
    for (const SpellExportSpell& spell : spells) {
        const auto id_end = std::to_chars(id_text, id_text + sizeof id_text, spell.id).ptr;
        w.key(std::string_view(id_text, static_cast<std::size_t>(id_end - id_text)));
        w.open('{');
        for (std::size_t i = 0; i < fields.size() && i < spell.values.size(); ++i) {
            w.key(json_key(fields[i]));
            const bool ok = std::visit(Overloaded{
                                           [&](const std::string& text) { return w.string(text); },
                                           [&](std::uint32_t number) { return w.unsigned_integer(number), true; },
                                           [&](std::optional<double> number) { return w.number(number), true; },
                                           [&](const std::array<std::uint32_t, 8>& words) {
                                               w.open('[');
                                               for (std::uint32_t word : words) {
                                                   w.element();
                                                   w.unsigned_integer(word);
                                               }
                                               w.close(']');
                                               return true;
                                           },
                                       },
                                       spell.values[i]);
            if (!ok) return failed();
        }
        w.close('}');
    }
    w.close('}');
    w.close('}');
    return out;
}

Result<> write_spell_export(const SpellExportFile& file, const std::optional<std::filesystem::path>& output, Output& out) {
    auto json = file.to_json();
    if (!json) return std::unexpected(std::move(json.error()).context("could not serialize spell export"));
    *json += '\n';

    if (!output) {
        out.write(*json);
        return {};
    }
    const std::filesystem::path parent = output->parent_path();
    if (!parent.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
        if (ec)
            return std::unexpected(
                Error(IoError::from_errno(ec.value()).message()).context(fmt::format("could not create {}", display_path(parent))));
    }
    if (auto written = write_file(*output, *json); !written) return written;
    out.print("wrote {} spells with {} fields to {}\n", file.spells.size(), file.fields.size(), display_path(*output));
    return {};
}

}  // namespace quorvel
