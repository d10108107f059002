// One front over the two kinds of input: a DAT file or a QVA archive, chosen by the path's extension.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "quorvel/dat/archive/qva_reader.hpp"
#include "quorvel/dat/dat_database.hpp"
#include "quorvel/tools/error.hpp"

namespace quorvel {

class Provider {
public:
    /// Opens a ".dat" or ".qva" path (any letter case) with its reader; for another extension, the
    /// ".qva" sibling if it exists, else the ".dat" one. Fails with the reader's error, or with
    /// "Could not open provider for ..." when no candidate exists.
    static Result<Provider> open(const std::filesystem::path& path);

    /// The entry's complete, decompressed bytes. A DAT input ignores the namespace entirely.
    /// Fails with NotFound, InvalidNamespace, the several-namespaces error or a read error.
    DatResult<std::vector<std::uint8_t>> get_file_in_namespace(const std::optional<std::string>& namespace_label,
                                                                std::uint32_t file_id) const;

    /// The index record of a QVA entry; always none for a DAT input. Fails like the lookup above.
    DatResult<std::optional<QvaEntry>> get_qva_entry(const std::optional<std::string>& namespace_label,
                                                     std::uint32_t file_id) const;

    /// "DAT" or "QVA".
    std::string_view kind_label() const;
    /// Distinct ids of a DAT file; the header's entry count of an archive.
    std::uint64_t file_count() const;
    /// "eor/portal" or "eor/cell" for a retail portal or cell DAT file; none otherwise.
    std::optional<std::string_view> dat_namespace_label() const;

    /// The held reader, for commands that print format-specific facts.
    const DatDatabase* dat() const { return std::get_if<DatDatabase>(&reader_); }
    const QvaReader* qva() const { return std::get_if<QvaReader>(&reader_); }

private:
    explicit Provider(std::variant<DatDatabase, QvaReader> reader) : reader_(std::move(reader)) {}

    DatResult<QvaEntry> find_qva_entry(const QvaReader& reader, const std::optional<std::string>& namespace_label,
                                       std::uint32_t file_id) const;

    std::variant<DatDatabase, QvaReader> reader_;
};

}  // namespace quorvel
