// The "unpack" subcommand: every entry of a DAT file or of one QVA namespace to an [ID].[TYPE] file.
#include <algorithm>
#include <system_error>

#include <fmt/format.h>

#include "quorvel/dat/file_type.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/file_io.hpp"
#include "quorvel/tools/progress.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/qva_index_walk.hpp"
#include "quorvel/tools/quote_path.hpp"

namespace quorvel {

namespace {

// One file to write: the name qva-pack reads back, and where the entry's bytes come from.
template <class Entry>
struct Item {
    Entry entry;
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
};

std::string entry_file_name(std::uint32_t id, std::uint32_t type) { return fmt::format("{:08X}.{:X}", id, type); }

// Reading in offset order keeps a large input's reads moving front to back.
template <class Entry>
void sort_by_offset(std::vector<Item<Entry>>& items) {
    std::sort(items.begin(), items.end(),
              [](const auto& a, const auto& b) { return a.offset != b.offset ? a.offset < b.offset : a.id < b.id; });
}

std::vector<Item<DatFileEntry>> dat_items(const DatDatabase& database) {
    std::vector<Item<DatFileEntry>> items;
    items.reserve(database.entries().size());
    for (const auto& [id, entry] : database.entries())
        items.push_back({entry, id, static_cast<std::uint32_t>(entry.file_type_in_dat(database.kind())), entry.offset});
    return items;
}

// The namespace to unpack: the named one, or the only one; none for an archive without entries.
Result<std::optional<NamespaceSpan>> chosen_span(const QvaReader& reader, const std::optional<std::string>& label) {
    const auto& spans = reader.spans();
    if (label) {
        auto ns = ResourceNamespace::create(*label);
        if (!ns) return std::unexpected(Error(ns.error()));
        const auto it = std::find_if(spans.begin(), spans.end(), [&](const auto& s) { return s.namespace_ == *ns; });
        if (it == spans.end())
            return std::unexpected(Error(fmt::format("Namespace {} not found in the archive", quote_text(*label))));
        return std::optional<NamespaceSpan>(*it);
    }
    if (spans.size() > 1)
        return std::unexpected(Error(
            DatError::other("QVA v2 archive contains multiple namespaces; explicit namespace lookup is required")));
    if (spans.empty()) return std::optional<NamespaceSpan>{};
    return std::optional<NamespaceSpan>(spans.front());
}

Result<std::vector<Item<QvaEntry>>> qva_items(const QvaReader& reader, const NamespaceSpan& span) {
    std::vector<Item<QvaEntry>> items;
    auto walked = for_each_span_entry(reader, span, [&](const QvaEntry& entry) -> DatResult<void> {
        items.push_back({entry, entry.file_id, entry.type_id, entry.offset});
        return {};
    });
    if (!walked) return std::unexpected(Error(walked.error()));
    // Two records with one id would name one file twice.
    std::vector<std::uint32_t> ids;
    ids.reserve(items.size());
    for (const auto& item : items) ids.push_back(item.id);
    std::sort(ids.begin(), ids.end());
    if (const auto twice = std::adjacent_find(ids.begin(), ids.end()); twice != ids.end())
        return std::unexpected(Error(DatError::duplicate_namespaced_id(std::string(span.namespace_.as_str()), *twice)));
    return items;
}

// With --force an existing file (or symbolic link) is removed and created afresh, so nothing is
// written through a link; a directory in the way is never removed.
Result<> make_room(const std::filesystem::path& path, bool force) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(status)) return {};
    if (std::filesystem::is_directory(status))
        return std::unexpected(Error(fmt::format("Cannot write {}: a directory of that name exists", quote_path(path))));
    if (!force)
        return std::unexpected(
            Error(fmt::format("Refusing to overwrite {}; use --force to replace existing files", quote_path(path))));
    return {};
}

Result<> replace_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, bool force) {
    if (force) {
        std::error_code ec;
        const auto status = std::filesystem::symlink_status(path, ec);
        if (!ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status))
            std::filesystem::remove(path, ec);
    }
    if (auto written = write_new_file(path, bytes); !written)
        return std::unexpected(std::move(written.error()).context(fmt::format("Failed to write {}", quote_path(path))));
    return {};
}

template <class Entry, class Read>
Result<std::uint64_t> write_items(const std::vector<Item<Entry>>& items, const UnpackCommand& command, Read read) {
    // Every name is checked before the first write, so a refusal leaves the directory as it was.
    for (const auto& item : items)
        if (auto room = make_room(command.outdir / entry_file_name(item.id, item.type), command.force); !room)
            return std::unexpected(std::move(room.error()));

    Progress progress("unpack", items.size());
    for (const auto& item : items) {
        auto data = read(item.entry);
        if (!data) return std::unexpected(Error(data.error()));
        const auto path = command.outdir / entry_file_name(item.id, item.type);
        if (auto written = replace_file(path, *data, command.force); !written)
            return std::unexpected(std::move(written.error()));
        progress.advance(data->size());
    }
    return items.size();
}

}  // namespace

Result<> run_unpack(const UnpackCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));

    std::vector<Item<DatFileEntry>> dat_entries;
    std::vector<Item<QvaEntry>> qva_entries;
    if (const auto* database = provider->dat()) {
        dat_entries = dat_items(*database);
        sort_by_offset(dat_entries);
    } else {
        auto span = chosen_span(*provider->qva(), command.namespace_label);
        if (!span) return std::unexpected(std::move(span.error()));
        if (*span) {
            auto items = qva_items(*provider->qva(), **span);
            if (!items) return std::unexpected(std::move(items.error()));
            qva_entries = std::move(*items);
            sort_by_offset(qva_entries);
        }
    }

    std::error_code ec;
    std::filesystem::create_directories(command.outdir, ec);
    if (ec)
        return std::unexpected(
            Error(ec.message()).context(fmt::format("Failed to create output directory {}", quote_path(command.outdir))));

    Result<std::uint64_t> written;
    if (const auto* database = provider->dat()) {
        written = write_items(dat_entries, command, [&](const DatFileEntry& e) { return database->get_file(e.id); });
    } else {
        const auto& reader = *provider->qva();
        written = write_items(qva_entries, command, [&](const QvaEntry& e) { return reader.read_entry_data(e); });
    }
    if (!written) return std::unexpected(std::move(written.error()));
    out.print("Unpacked {} entries into {}\n", *written, quote_path(command.outdir));
    return {};
}

}  // namespace quorvel
