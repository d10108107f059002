// The "verify" subcommand: reads and decompresses every entry and checks each size the format records.
#include <algorithm>
#include <limits>

#include <fmt/format.h>

#include "quorvel/dat/utils/lrs.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/progress.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/qva_index_walk.hpp"
#include "quorvel/tools/quote_path.hpp"

namespace quorvel {

namespace {

std::string count_of(std::uint64_t n, std::string_view one, std::string_view many) {
    return fmt::format("{} {}", n, n == 1 ? one : many);
}

// Problem lines go to standard output as they are found; the counts feed the summary.
class Findings {
public:
    explicit Findings(Output& out) : out_(out) {}

    template <class... Args>
    void problem(std::string_view where, fmt::format_string<Args...> format, Args&&... args) {
        out_.print("{}: {}\n", where, fmt::format(format, std::forward<Args>(args)...));
        ++problems;
    }

    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
    std::uint64_t problems = 0;

private:
    Output& out_;
};

// The entry's bytes after decompression, or nothing when a problem stopped the checks.
std::optional<std::uint64_t> check_dat_entry(const DatDatabase& database, const DatFileEntry& entry,
                                             std::string_view where, Findings& findings) {
    if (entry.size > database.file_length()) {
        findings.problem(where, "declared size of {} bytes exceeds the file's length of {} bytes", entry.size,
                         database.file_length());
        return std::nullopt;
    }
    auto stored = database.read_file_data(entry.offset, entry.size);
    if (!stored) {
        findings.problem(where, "block chain at offset 0x{:08X} cannot be read: {}", entry.offset,
                         stored.error().message());
        return std::nullopt;
    }
    if (!entry.is_compressed()) return stored->size();
    if (stored->size() < 4) {
        findings.problem(where, "compressed entry of {} bytes lacks its 4-byte size prefix", stored->size());
        return std::nullopt;
    }
    const auto declared = load_le<std::uint32_t>(stored->data());
    // The decoder stops at the declared size, so a damaged stream shows as a shorter result.
    const auto data = decompress_lrs(*stored);
    if (data.size() != declared)
        findings.problem(where, "decompresses to {} bytes, its size prefix declares {}", data.size(), declared);
    return data.size();
}

void verify_dat(const DatDatabase& database, Findings& findings) {
    const DatHeader& header = database.header();
    if (header.file_size > database.file_length())
        findings.problem("header", "file size of {} bytes exceeds the file's length of {} bytes", header.file_size,
                         database.file_length());

    std::vector<DatFileEntry> entries;
    entries.reserve(database.entries().size());
    for (const auto& [id, entry] : database.entries()) entries.push_back(entry);
    // Offset order reads a large file front to back.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.offset != b.offset ? a.offset < b.offset : a.id < b.id; });

    Progress progress("verify", entries.size());
    for (const auto& entry : entries) {
        const auto bytes = check_dat_entry(database, entry, fmt::format("{:08X}", entry.id), findings);
        ++findings.entries;
        findings.bytes += bytes.value_or(0);
        progress.advance(bytes.value_or(0));
    }
}

struct PayloadArea {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

std::optional<std::uint64_t> check_qva_entry(const QvaReader& reader, const QvaEntry& entry, PayloadArea area,
                                             std::string_view where, Findings& findings) {
    if (entry.offset < area.begin || entry.offset > area.end || entry.comp_size > area.end - entry.offset) {
        findings.problem(where, "stored range of {} bytes at offset {} lies outside the payload area {}..{}",
                         entry.comp_size, entry.offset, area.begin, area.end);
        return std::nullopt;
    }
    if (!entry.compressed() && entry.size != entry.comp_size)
        findings.problem(where, "uncompressed entry stores {} bytes but records a size of {}", entry.comp_size,
                         entry.size);

    QvaEntry as_stored = entry;
    as_stored.flags &= static_cast<std::uint8_t>(~QvaEntry::flag_compressed);
    auto stored = reader.read_entry_data(as_stored);
    if (!stored) {
        findings.problem(where, "stored bytes cannot be read: {}", stored.error().message());
        return std::nullopt;
    }
    if (!entry.compressed()) return stored->size();

    const auto data = decompress_zstd(*stored, entry.size);
    if (!data) {
        findings.problem(where, "zstd frame does not decompress within its recorded size of {} bytes", entry.size);
        return std::nullopt;
    }
    if (data->size() != entry.size)
        findings.problem(where, "decompresses to {} bytes, the index records {}", data->size(), entry.size);
    return data->size();
}

Result<> verify_qva(const QvaReader& reader, Findings& findings) {
    const QvaHeader& header = reader.header();
    // The writer puts every payload between the header and the namespace metadata; the reader
    // checked at open that the metadata starts after the header.
    const PayloadArea area{QvaHeader::record_size, header.index_offset - header.metadata_size};

    Progress progress("verify", header.entry_count);
    for (const NamespaceSpan& span : reader.spans()) {
        const std::string_view label = span.namespace_.as_str();
        std::optional<std::uint32_t> previous_id;
        auto walked = for_each_span_entry(reader, span, [&](const QvaEntry& entry) -> DatResult<void> {
            const std::string where = fmt::format("{}:{:08X}", label, entry.file_id);
            if (auto ns = entry.namespace_id(); !ns)
                findings.problem(where, "stored namespace is not valid: {}", ns.error().message());
            else if (*ns != span.namespace_)
                findings.problem(where, "stored namespace {} differs from its index range's {}",
                                 quote_text(ns->as_str()), quote_text(label));
            // Lookups search each namespace's range by binary search, which needs ascending ids.
            if (previous_id && entry.file_id == *previous_id)
                findings.problem(where, "id occurs more than once in the namespace");
            else if (previous_id && entry.file_id < *previous_id)
                findings.problem(where, "id is out of order after {:08X}", *previous_id);
            previous_id = entry.file_id;

            const auto bytes = check_qva_entry(reader, entry, area, where, findings);
            ++findings.entries;
            findings.bytes += bytes.value_or(0);
            progress.advance(bytes.value_or(0));
            return {};
        });
        if (!walked) return std::unexpected(Error(walked.error()));
    }
    return {};
}

}  // namespace

Result<> run_verify(const VerifyCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));

    Findings findings(out);
    if (const auto* database = provider->dat()) {
        verify_dat(*database, findings);
    } else if (auto verified = verify_qva(*provider->qva(), findings); !verified) {
        return verified;
    }

    const std::string problems = count_of(findings.problems, "problem", "problems");
    out.print("Checked {}, {}: {}\n", count_of(findings.entries, "entry", "entries"),
              count_of(findings.bytes, "byte", "bytes"), findings.problems == 0 ? "no problems" : problems);
    if (findings.problems != 0) return std::unexpected(Error(fmt::format("Verification found {}", problems)));
    return {};
}

}  // namespace quorvel
