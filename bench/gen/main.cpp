// Writes the benchmark inputs into a cache folder; an input already there is kept.
//
//   quorvel-bench-gen CACHE_DIR
//
// Every input is written beside its final name and renamed into place, so an interrupted run
// leaves no half-written input behind. CACHE_DIR/probes.env names entries the benchmarks fetch.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <fmt/format.h>

#include "payload.hpp"
#include "quorvel/dat/archive/qva_stream_writer.hpp"
#include "quorvel/test_support/dat_writer.hpp"
#include "zip_writer.hpp"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace quorvel::bench;

namespace {

[[noreturn]] void die(const std::string& what) {
    fmt::print(stderr, "quorvel-bench-gen: {}\n", what);
    std::exit(1);
}

/// Runs `make(temporary)` unless `target` exists, then renames the temporary into place.
void produce(const fs::path& target, const std::function<void(const fs::path&)>& make) {
    if (fs::exists(target)) return;
    fmt::print(stderr, "generating {}\n", target.filename().string());
    const fs::path temporary = target.string() + ".partial";
    fs::remove_all(temporary);
    make(temporary);
    fs::rename(temporary, target);
}

std::string entry_name(const BenchEntry& e) { return fmt::format("{:08X}.{:X}", e.id, e.type); }

void write_dat(const fs::path& path, DatHeader header, const std::vector<BenchEntry>& entries) {
    test::DatWriter writer({.header = header});
    for (const auto& e : entries) writer.add(e.id, payload_of(e), {.compress = e.compressed});
    if (!std::move(writer).finish().write(path)) die(fmt::format("cannot write {}", path.string()));
}

void write_zip(const fs::path& path, const std::vector<BenchEntry>& entries) {
    ZipWriter zip(path);
    for (const auto& e : entries) zip.add(entry_name(e), payload_of(e));
    zip.finish();
}

void write_qva(const fs::path& path, const std::vector<BenchEntry>& entries) {
    auto writer = QvaStreamWriter::create(path, true);
    if (!writer) die(writer.error().message());
    for (const auto& e : entries)
        if (auto added = writer->add("eor/portal", e.id, e.type, payload_of(e)); !added) die(added.error().message());
    if (auto done = std::move(*writer).finish(); !done) die(done.error().message());
}

void write_directory(const fs::path& path, const std::vector<BenchEntry>& entries) {
    fs::create_directories(path);
    for (const auto& e : entries) {
        const auto bytes = payload_of(e);
        std::ofstream out(path / entry_name(e), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) die(fmt::format("cannot write into {}", path.string()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) die("usage: quorvel-bench-gen CACHE_DIR");
    const fs::path cache = argv[1];
    fs::create_directories(cache);

    const auto portal = portal_entries(30'000);
    produce(cache / "portal.dat", [&](const fs::path& p) { write_dat(p, test::portal_header(), portal); });
    produce(cache / "portal.zip", [&](const fs::path& p) { write_zip(p, portal); });

    for (const auto& [count, tag] : {std::pair{10'000, "10k"}, {100'000, "100k"}, {600'000, "600k"}}) {
        const auto cells = cell_entries(count);
        if (cells.size() != static_cast<std::size_t>(count)) die("cell layout holds too few entries");
        produce(cache / fmt::format("cell-{}.dat", tag), [&](const fs::path& p) { write_dat(p, test::cell_header(), cells); });
        produce(cache / fmt::format("cell-{}.zip", tag), [&](const fs::path& p) { write_zip(p, cells); });
    }

    for (const auto& [count, tag] : {std::pair{1'000, "1k"}, {100'000, "100k"}, {1'000'000, "1m"}}) {
        const auto entries = qva_entries(count);
        produce(cache / fmt::format("qva-{}.qva", tag), [&](const fs::path& p) { write_qva(p, entries); });
        produce(cache / fmt::format("qva-{}.zip", tag), [&](const fs::path& p) { write_zip(p, entries); });
    }

    const auto loose = pack_entries(20'000);
    produce(cache / "pack", [&](const fs::path& p) { write_directory(p, loose); });

    // Probes: entries present in every size of their family, fetched by the single-entry benchmarks.
    const auto qva_probe = qva_entries(1'000)[500];
    const auto& portal_probe = *std::find_if(portal.begin() + portal.size() / 2, portal.end(),
                                             [](const BenchEntry& e) { return e.compressed && e.size > 16384; });
    const auto& pack_probe = loose[loose.size() / 2];
    std::ofstream env(cache / "probes.env");
    env << fmt::format("QVA_PROBE_ID=0x{:08X}\nQVA_PROBE_NAME={}\n", qva_probe.id, entry_name(qva_probe));
    env << fmt::format("PORTAL_PROBE_ID=0x{:08X}\nPORTAL_PROBE_NAME={}\n", portal_probe.id, entry_name(portal_probe));
    env << fmt::format("PACK_PROBE_NAME={}\n", entry_name(pack_probe));
    if (!env) die("cannot write probes.env");
    return 0;
}
