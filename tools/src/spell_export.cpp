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
#include <nlohmann/json.hpp>

namespace quorvel {

namespace {

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

// The JSON writer's own float text round-trips but is not always the shortest, so every number
// token that is a float is read back and written again. Strings are skipped whole, so nothing
// inside a name or description is ever touched.
std::string rewrite_floats(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            std::size_t j = i + 1;
            while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
            j = std::min(j + 1, text.size());
            out.append(text.substr(i, j - i));
            i = j;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            std::size_t j = i;
            while (j < text.size() && std::string_view("0123456789+-.eE").find(text[j]) != std::string_view::npos) ++j;
            const std::string_view token = text.substr(i, j - i);
            double value = 0;
            if (token.find_first_of(".eE") != std::string_view::npos &&
                std::from_chars(token.data(), token.data() + token.size(), value).ec == std::errc{})
                out += format_double(value);
            else
                out.append(token);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

nlohmann::ordered_json to_json_value(const SpellExportValue& value) {
    return std::visit(
        [](const auto& v) -> nlohmann::ordered_json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::optional<double>>) {
                if (!v) return nullptr;
                return *v;
            } else {
                return v;
            }
        },
        value);
}

// The platform's display form of a path: bytes that are not valid UTF-8 become U+FFFD, one per
// maximal ill-formed subsequence.
std::string display_path(const std::filesystem::path& path) {
    const std::string& bytes = path.native();
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += bytes[i++];
            continue;
        }
        std::size_t need = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) need = 1;
        else if (lead == 0xE0) need = 2, lo = 0xA0;
        else if (lead == 0xED) need = 2, hi = 0x9F;
        else if (lead >= 0xE1 && lead <= 0xEF) need = 2;
        else if (lead == 0xF0) need = 3, lo = 0x90;
        else if (lead == 0xF4) need = 3, hi = 0x8F;
        else if (lead >= 0xF1 && lead <= 0xF3) need = 3;
        std::size_t j = i + 1;
        bool valid = need > 0;
        for (std::size_t k = 0; k < need; ++k, ++j) {
            const auto byte = j < bytes.size() ? static_cast<unsigned char>(bytes[j]) : 0;
            if (j >= bytes.size() || byte < (k == 0 ? lo : 0x80) || byte > (k == 0 ? hi : 0xBF)) {
                valid = false;
                break;
            }
        }
        if (valid) out.append(bytes, i, j - i);
        else out += "\xEF\xBF\xBD";
        i = j;
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
    using nlohmann::ordered_json;
    try {
        ordered_json doc = ordered_json::object();
        doc["fileId"] = file_id;
        ordered_json field_list = ordered_json::array();
        for (SpellExportField field : fields) field_list.push_back(json_key(field));
        doc["fields"] = std::move(field_list);

        ordered_json spell_map = ordered_json::object();
        // Ids are unique and already ascending: appending directly skips the ordered map's linear
        // search for an existing key, which would make a large table quadratic.
        auto& members = spell_map.get_ref<ordered_json::object_t&>();
        members.reserve(spells.size());
        for (const SpellExportSpell& spell : spells) {
            ordered_json object = ordered_json::object();
            for (std::size_t i = 0; i < fields.size() && i < spell.values.size(); ++i)
                object[std::string(json_key(fields[i]))] = to_json_value(spell.values[i]);
            members.emplace_back(std::to_string(spell.id), std::move(object));
        }
        doc["spells"] = std::move(spell_map);

        return rewrite_floats(doc.dump(2, ' ', false, ordered_json::error_handler_t::strict));
    } catch (const nlohmann::ordered_json::exception& e) {
        return std::unexpected(Error(e.what()));
    }
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
