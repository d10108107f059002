// Temporary inputs of the micro-benchmarks, removed at exit.
#include "bench_files.hpp"

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "payload.hpp"
#include "quorvel/dat/archive/qva_stream_writer.hpp"
#include "quorvel/test_support/dat_writer.hpp"

namespace quorvel::bench {

namespace {

struct TempDir {
    std::filesystem::path path;
    TempDir() : path(std::filesystem::temp_directory_path() / ("quorvel-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& temp_dir() {
    static const TempDir dir;
    return dir.path;
}

}  // namespace

const std::filesystem::path& micro_cell_dat() {
    static const std::filesystem::path path = [] {
        auto p = temp_dir() / "cell.dat";
        test::DatWriter writer({.header = test::cell_header()});
        for (const auto& e : cell_entries(100'000)) writer.add(e.id, payload_of(e));
        if (!std::move(writer).finish().write(p)) std::abort();
        return p;
    }();
    return path;
}

const std::filesystem::path& micro_qva() {
    static const std::filesystem::path path = [] {
        auto p = temp_dir() / "micro.qva";
        auto writer = QvaStreamWriter::create(p, false);
        if (!writer) std::abort();
        for (const auto& e : qva_entries(100'000))
            if (!writer->add("eor/portal", e.id, e.type, payload_of(e))) std::abort();
        if (!std::move(*writer).finish()) std::abort();
        return p;
    }();
    return path;
}

}  // namespace quorvel::bench
