// Temporary directories for tests.
#include "quorvel/test_support/temp_dir.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quorvel::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").native();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp " + pattern + ": " + std::strerror(errno));
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write_file(const std::filesystem::path& relative, std::span<const std::uint8_t> bytes) const {
    const std::filesystem::path full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream file(full, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + full.native());
    return full;
}

std::filesystem::path TempDir::write_file(const std::filesystem::path& relative, std::string_view text) const {
    return write_file(relative, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> TempDir::read_file(const std::filesystem::path& relative) const {
    const std::string text = read_text(relative);
    return {text.begin(), text.end()};
}

std::string TempDir::read_text(const std::filesystem::path& relative) const {
    const std::filesystem::path full = path_ / relative;
    std::ifstream file(full, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + full.native());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> TempDir::names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
    return out;
}

}  // namespace quorvel::test
