// A validated dataset label of 1 to 32 UTF-8 bytes, held inline as 32 zero-padded bytes.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include <fmt/format.h>

#include "quorvel/dat/error.hpp"

namespace quorvel {

class ResourceNamespace {
public:
    static constexpr std::size_t max_len = 32;
    using Bytes = std::array<std::uint8_t, max_len>;

    /// Builds a namespace from a label. Fails with InvalidNamespace when the label is empty, longer
    /// than 32 bytes, contains a NUL byte, or is not valid UTF-8 (checked in that order).
    static DatResult<ResourceNamespace> create(std::string_view label);

    /// Validates a stored 32-byte form. Fails with InvalidNamespace when a non-zero byte follows the
    /// first zero byte, when the label is empty, or when the label is not valid UTF-8.
    static DatResult<ResourceNamespace> from_bytes(std::span<const std::uint8_t, max_len> bytes);

    /// The label: the bytes before the first zero byte (all 32 when there is none).
    std::string_view as_str() const;

    /// The stored form, as it goes into QVA records.
    const Bytes& bytes() const { return bytes_; }

    /// Unsigned byte-wise comparison of the 32 stored bytes; for labels, "abc" < "abcd" < "abd".
    std::strong_ordering operator<=>(const ResourceNamespace& other) const;
    bool operator==(const ResourceNamespace& other) const;

private:
    explicit ResourceNamespace(const Bytes& bytes) : bytes_(bytes) {}

    Bytes bytes_;
};

}  // namespace quorvel

template <>
struct std::hash<quorvel::ResourceNamespace> {
    std::size_t operator()(const quorvel::ResourceNamespace& ns) const noexcept;
};

template <>
struct fmt::formatter<quorvel::ResourceNamespace> : fmt::formatter<std::string_view> {
    template <class FormatContext>
    auto format(const quorvel::ResourceNamespace& ns, FormatContext& ctx) const {
        return fmt::formatter<std::string_view>::format(ns.as_str(), ctx);
    }
};
