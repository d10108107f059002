// Validation, ordering and hashing of namespace labels.
#include "quorvel/dat/resource_namespace.hpp"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>
#include <string>

namespace quorvel {

namespace {

constexpr std::string_view empty_label_text = "namespace label cannot be empty";

/// Describes the first malformed UTF-8 sequence in `text`, or nothing when it is well formed. An
/// invalid sequence is reported with the length of its longest valid-looking prefix (1 to 3 bytes);
/// a sequence cut off by the end of the text is reported as incomplete.
std::optional<std::string> describe_utf8_error(std::span<const std::uint8_t> text) {
    const auto is_continuation = [](std::uint8_t b) { return (b & 0xC0) == 0x80; };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::uint8_t lead = text[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t width = 0;
        std::uint8_t second_lo = 0x80;
        std::uint8_t second_hi = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            width = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            width = 3;
            if (lead == 0xE0) second_lo = 0xA0;  // overlong forms
            if (lead == 0xED) second_hi = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            width = 4;
            if (lead == 0xF0) second_lo = 0x90;  // overlong forms
            if (lead == 0xF4) second_hi = 0x8F;  // beyond U+10FFFF
        } else {
            return fmt::format("invalid utf-8 sequence of {0} bytes from index {1}", 1, i);
        }
        for (std::size_t k = 1; k < width; ++k) {
            if (i + k >= text.size()) return fmt::format("incomplete utf-8 byte sequence from index {0}", i);
            const std::uint8_t b = text[i + k];
            const bool ok = k == 1 ? (b >= second_lo && b <= second_hi) : is_continuation(b);
            if (!ok) return fmt::format("invalid utf-8 sequence of {0} bytes from index {1}", k, i);
        }
        i += width;
    }
    return std::nullopt;
}

}  // namespace

DatResult<ResourceNamespace> ResourceNamespace::create(std::string_view label) {
    if (label.empty()) return std::unexpected(DatError::invalid_namespace(std::string(empty_label_text)));
    if (label.size() > max_len)
        return std::unexpected(
            DatError::invalid_namespace(fmt::format("namespace label '{0}' exceeds {1} bytes", label, max_len)));
    if (label.find('\0') != std::string_view::npos)
        return std::unexpected(DatError::invalid_namespace(fmt::format("namespace label '{0}' contains a NUL byte", label)));
    const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(label.data()), label.size());
    // Labels arrive as arbitrary bytes in C++; keeping the UTF-8 invariant needs this check too.
    if (auto problem = describe_utf8_error(text))
        return std::unexpected(DatError::invalid_namespace(fmt::format("namespace label is not valid UTF-8: {0}", *problem)));
    Bytes bytes{};
    std::copy(text.begin(), text.end(), bytes.begin());
    return ResourceNamespace(bytes);
}

DatResult<ResourceNamespace> ResourceNamespace::from_bytes(std::span<const std::uint8_t, max_len> bytes) {
    const auto first_zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    const auto len = static_cast<std::size_t>(first_zero - bytes.begin());
    if (std::any_of(first_zero, bytes.end(), [](std::uint8_t b) { return b != 0; }))
        return std::unexpected(
            DatError::invalid_namespace("namespace bytes must be zero-padded without embedded trailing data"));
    if (len == 0) return std::unexpected(DatError::invalid_namespace(std::string(empty_label_text)));
    if (auto problem = describe_utf8_error(bytes.first(len)))
        return std::unexpected(DatError::invalid_namespace(fmt::format("namespace bytes are not valid UTF-8: {0}", *problem)));
    Bytes copy{};
    std::copy(bytes.begin(), bytes.end(), copy.begin());
    return ResourceNamespace(copy);
}

std::string_view ResourceNamespace::as_str() const {
    const auto first_zero = std::find(bytes_.begin(), bytes_.end(), std::uint8_t{0});
    const auto len = static_cast<std::size_t>(first_zero - bytes_.begin());
    assert(!describe_utf8_error(std::span(bytes_).first(len)) && "validated resource namespace should remain valid UTF-8");
    return {reinterpret_cast<const char*>(bytes_.data()), len};
}

std::strong_ordering ResourceNamespace::operator<=>(const ResourceNamespace& other) const {
    const int c = std::memcmp(bytes_.data(), other.bytes_.data(), max_len);
    return c < 0 ? std::strong_ordering::less : c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
}

bool ResourceNamespace::operator==(const ResourceNamespace& other) const {
    return std::memcmp(bytes_.data(), other.bytes_.data(), max_len) == 0;
}

}  // namespace quorvel

std::size_t std::hash<quorvel::ResourceNamespace>::operator()(const quorvel::ResourceNamespace& ns) const noexcept {
    const auto& b = ns.bytes();
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}
