// The line the package test prints per entry: id, size and a checksum of the bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <fmt/format.h>

namespace quorvel {

inline std::string package_listing_line(std::uint32_t id, std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
    return fmt::format("{:08X} {} {:08X}\n", id, bytes.size(), hash);
}

}  // namespace quorvel
