// The "list" subcommand: one line per entry.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "quorvel/dat/file_type.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/list_line.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/qva_index_walk.hpp"
#include "quorvel/tools/type_label.hpp"

namespace quorvel {

namespace {

void list_dat(const DatDatabase& database, Output& out) {
    const auto kind = dat_kind(database.header());
    const auto& entries = database.entries();
    std::vector<std::uint32_t> ids;
    ids.reserve(entries.size());
    for (const auto& [id, entry] : entries) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    std::string line;
    for (const auto id : ids) {
        const auto& entry = entries.find(id)->second;
        line.clear();
        append_dat_list_line(line, id, label(entry.file_type_in_dat(kind)), entry.size, entry.offset, entry.bit_flags);
        out.write(line);
    }
}

Result<> list_qva(const QvaReader& reader, Output& out) {
    NamespaceLabelCache labels;
    std::unordered_map<std::uint32_t, std::string> type_labels;
    std::string line;
    auto walked = for_each_index_entry(reader, [&](const QvaEntry& entry) -> DatResult<void> {
        auto label = labels.label_of(entry);
        if (!label) return std::unexpected(std::move(label.error()));
        auto type = type_labels.find(entry.type_id);
        if (type == type_labels.end()) type = type_labels.emplace(entry.type_id, format_type_label(entry.type_id)).first;
        line.clear();
        append_qva_list_line(line, *label, entry.file_id, type->second, entry.size, entry.offset, entry.flags);
        out.write(line);
        return {};
    });
    if (!walked) return std::unexpected(Error(walked.error()));
    return {};
}

}  // namespace

Result<> run_list(const ListCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    if (const auto* database = provider->dat()) {
        list_dat(*database, out);
        return {};
    }
    return list_qva(*provider->qva(), out);
}

}  // namespace quorvel
