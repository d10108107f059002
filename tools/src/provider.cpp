// Opening an input by its extension and fetching entries from either reader.
#include "quorvel/tools/provider.hpp"

#include <sys/stat.h>

#include <fmt/format.h>

#include "quorvel/dat/file_type.hpp"
#include "quorvel/tools/dataset_labels.hpp"
#include "quorvel/tools/path_parts.hpp"
#include "quorvel/tools/quote_path.hpp"

namespace quorvel {

namespace {

enum class InputFormat { Qva, Dat, Other };

InputFormat format_of(const std::filesystem::path& path) {
    const auto extension = split_file_name(path).extension;
    if (!extension) return InputFormat::Other;
    const std::string lower = to_ascii_lower(*extension);
    if (lower == "qva") return InputFormat::Qva;
    if (lower == "dat") return InputFormat::Dat;
    return InputFormat::Other;
}

// Whether the sibling with this extension exists, as whatever kind of file.
std::optional<std::filesystem::path> existing_sibling(const std::filesystem::path& path, std::string_view extension) {
    auto candidate = with_extension(path, extension);
    struct stat st {};
    if (!candidate || ::stat(candidate->c_str(), &st) != 0) return std::nullopt;
    return candidate;
}

}  // namespace

Result<Provider> Provider::open(const std::filesystem::path& path) {
    if (const auto format = format_of(path); format != InputFormat::Other) {
        if (format == InputFormat::Qva) {
            auto reader = QvaReader::open(path);
            if (!reader) return std::unexpected(Error(reader.error()));
            return Provider(std::move(*reader));
        }
        auto database = DatDatabase::open(path);
        if (!database) return std::unexpected(Error(database.error()));
        return Provider(std::move(*database));
    }
    if (auto candidate = existing_sibling(path, "qva")) return open(*candidate);
    if (auto candidate = existing_sibling(path, "dat")) return open(*candidate);
    return std::unexpected(Error(fmt::format("Could not open provider for {}. Expected .qva or .dat", quote_path(path))));
}

DatResult<QvaEntry> Provider::find_qva_entry(const QvaReader& reader, const std::optional<std::string>& namespace_label,
                                             std::uint32_t file_id) const {
    if (!namespace_label) return reader.find_entry(file_id);
    auto ns = ResourceNamespace::create(*namespace_label);
    if (!ns) return std::unexpected(std::move(ns.error()));
    return reader.find_entry_with_namespace_id(*ns, file_id);
}

DatResult<std::vector<std::uint8_t>> Provider::get_file_in_namespace(const std::optional<std::string>& namespace_label,
                                                                      std::uint32_t file_id) const {
    if (const auto* database = dat()) return database->get_file(file_id);
    const auto& reader = *qva();
    auto entry = find_qva_entry(reader, namespace_label, file_id);
    if (!entry) return std::unexpected(std::move(entry.error()));
    return reader.read_entry_data(*entry);
}

DatResult<std::optional<QvaEntry>> Provider::get_qva_entry(const std::optional<std::string>& namespace_label,
                                                           std::uint32_t file_id) const {
    const auto* reader = qva();
    if (!reader) return std::optional<QvaEntry>{};
    auto entry = find_qva_entry(*reader, namespace_label, file_id);
    if (!entry) return std::unexpected(std::move(entry.error()));
    return std::optional<QvaEntry>(*entry);
}

std::string_view Provider::kind_label() const { return dat() ? "DAT" : "QVA"; }

std::uint64_t Provider::file_count() const {
    if (const auto* database = dat()) return database->entries().size();
    return qva()->header().entry_count;
}

std::optional<std::string_view> Provider::dat_namespace_label() const {
    const auto* database = dat();
    if (!database) return std::nullopt;
    switch (dat_kind(database->header())) {
        case DatKind::Portal: return portal_namespace_label;
        case DatKind::Cell: return cell_namespace_label;
        case DatKind::OtherRetail:
        case DatKind::Unrecognized: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace quorvel
