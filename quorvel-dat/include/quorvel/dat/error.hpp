// The one error type of the data library: twelve kinds with fixed messages, some with a cause.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "quorvel/common/record_error.hpp"

namespace quorvel {

/// An operating-system I/O failure, or the end of data met before a read was complete.
struct IoError {
    enum class Kind { Os, UnexpectedEof };

    Kind kind = Kind::Os;
    int code = 0;  // errno for Kind::Os

    static IoError from_errno(int code) { return {Kind::Os, code}; }
    static IoError unexpected_eof() { return {Kind::UnexpectedEof, 0}; }

    /// The operating system's text, or "failed to fill whole buffer".
    std::string message() const;

    bool operator==(const IoError&) const = default;
};

enum class DatErrorKind {
    Io,
    BinRead,
    NotFound,
    DuplicateId,
    DuplicateNamespacedId,
    InvalidMagic,
    UnsupportedVersion,
    InvalidNamespace,
    Corruption,
    DecompressionFailed,
    PathError,
    Other,
};

class DatError {
public:
    static DatError io(IoError error);
    static DatError bin_read(RecordError error);
    static DatError not_found(std::uint32_t file_id);
    static DatError duplicate_id(std::uint32_t file_id);
    static DatError duplicate_namespaced_id(std::string namespace_label, std::uint32_t file_id);
    static DatError invalid_magic(std::string format);
    static DatError unsupported_version(std::uint32_t version);
    static DatError invalid_namespace(std::string reason);
    static DatError corruption(std::string detail);
    static DatError decompression_failed(std::uint32_t file_id);
    static DatError path_error(std::filesystem::path path, IoError source);
    static DatError other(std::string detail);

    DatError(IoError error) : DatError(io(error)) {}                       // NOLINT: the conversion of I/O errors
    DatError(RecordError error) : DatError(bin_read(std::move(error))) {}  // NOLINT: and of decoding errors

    DatErrorKind kind() const { return kind_; }
    /// The one-line message of the kind ("File ID 0000ABCD not found in provider", ...).
    std::string message() const;
    /// The underlying error's text: the I/O error for Io and PathError, the decoding error for BinRead.
    std::optional<std::string> cause() const;
    /// Diagnostic form: the kind's name and its payload.
    std::string debug() const;

    std::uint32_t file_id() const { return number_; }
    const std::string& text() const { return text_; }
    const std::optional<IoError>& io_error() const { return io_; }
    const std::optional<RecordError>& record_error() const { return record_; }

private:
    explicit DatError(DatErrorKind kind) : kind_(kind) {}

    DatErrorKind kind_;
    std::uint32_t number_ = 0;  // file id or version
    std::string text_;          // label, format, reason or detail
    std::filesystem::path path_;
    std::optional<IoError> io_;
    std::optional<RecordError> record_;
};

template <class T>
using DatResult = std::expected<T, DatError>;

}  // namespace quorvel
