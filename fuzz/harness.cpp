// The libFuzzer entry shared by all targets: a per-input ceiling on single allocations, checks, in-memory files.
#include "harness.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sanitizer/allocator_interface.h>
#include <sanitizer/common_interface_defs.h>

namespace quorvel::fuzz {
namespace {

// Room for fixed-size buffers (formatting, stream buffers) on top of what the input justifies.
constexpr std::size_t allocation_slack = 64 * 1024;
constexpr std::size_t allocation_floor = 1024 * 1024;

// Zero outside run_one, so libFuzzer's own allocations are not judged.
std::size_t allocation_limit = 0;
std::size_t input_size = 0;

void on_malloc(const volatile void*, std::size_t size) {
    if (allocation_limit == 0 || size <= allocation_limit) return;
    const std::size_t limit = allocation_limit;
    allocation_limit = 0;  // the report itself allocates
    std::fprintf(stderr,
                 "==%d== ERROR: quorvel-fuzz: one allocation of %zu bytes for an input of %zu bytes (limit %zu)\n",
                 static_cast<int>(getpid()), size, input_size, limit);
    __sanitizer_print_stack_trace();
    std::abort();
}

void on_free(const volatile void*) {}

}  // namespace

AllowAllocation::AllowAllocation(std::size_t bytes) : saved_(allocation_limit) {
    if (allocation_limit != 0) allocation_limit = std::max(allocation_limit, bytes + allocation_slack);
}

AllowAllocation::~AllowAllocation() { allocation_limit = saved_; }

void require(bool condition, std::string_view what) {
    if (condition) return;
    std::fprintf(stderr, "==%d== ERROR: quorvel-fuzz: invariant broken: %.*s\n", static_cast<int>(getpid()),
                 static_cast<int>(what.size()), what.data());
    __sanitizer_print_stack_trace();
    std::abort();
}

void render(const DatError& error) {
    std::size_t total = error.message().size() + error.debug().size();
    if (const auto cause = error.cause()) total += cause->size();
    require(total > 0, "an error has no text");
}

void render(const RecordError& error) { require(!error.text().empty(), "a record error has no text"); }

bool is_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned min_second = 0x80;
        unsigned max_second = 0xBF;
        if (b0 < 0x80) {
            length = 1;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            if (b0 == 0xE0) min_second = 0xA0;  // overlong
            if (b0 == 0xED) max_second = 0x9F;  // surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            if (b0 == 0xF0) min_second = 0x90;  // overlong
            if (b0 == 0xF4) max_second = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (length > text.size() - i) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            const unsigned low = k == 1 ? min_second : 0x80;
            const unsigned high = k == 1 ? max_second : 0xBF;
            if (b < low || b > high) return false;
        }
        i += length;
    }
    return true;
}

MemoryFile::MemoryFile(std::span<const std::uint8_t> data) {
    fd_ = memfd_create("fuzz-input", MFD_CLOEXEC);
    require(fd_ >= 0, "memfd_create failed");
    for (std::size_t written = 0; written < data.size();) {
        const ssize_t n = write(fd_, data.data() + written, data.size() - written);
        require(n > 0, "writing the input to memory failed");
        written += static_cast<std::size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() { close(fd_); }

}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(quorvel::fuzz::on_malloc, quorvel::fuzz::on_free);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::fuzz;
    input_size = size;
    allocation_limit = std::max(8 * size, allocation_floor) + allocation_slack;
    run_one(std::span(data, size));
    allocation_limit = 0;
    return 0;
}
