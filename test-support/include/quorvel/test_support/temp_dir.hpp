// A fresh directory per test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::test {

class TempDir {
public:
    /// Creates a new empty directory under the system's temporary directory; throws when it cannot.
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// `path() / relative`.
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

    /// Writes `bytes` to `path() / relative`, creating parent directories; returns the full path.
    /// Throws when the file cannot be written.
    std::filesystem::path write_file(const std::filesystem::path& relative, std::span<const std::uint8_t> bytes) const;
    std::filesystem::path write_file(const std::filesystem::path& relative, std::string_view text) const;

    /// The whole content of `path() / relative`; throws when it cannot be read.
    std::vector<std::uint8_t> read_file(const std::filesystem::path& relative) const;
    std::string read_text(const std::filesystem::path& relative) const;

    /// The names in the directory, to check that no temporary file is left behind.
    std::vector<std::string> names() const;

private:
    std::filesystem::path path_;
};

}  // namespace quorvel::test
