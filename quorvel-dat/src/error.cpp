// Messages, causes and diagnostic forms of DatError.
#include "quorvel/dat/error.hpp"

#include <cstring>

#include <fmt/format.h>

namespace quorvel {

std::string IoError::message() const {
    switch (kind) {
        case Kind::Os: return std::strerror(code);
        case Kind::UnexpectedEof: return std::string(RecordError::end_of_data_text);
    }
    return {};
}

DatError DatError::io(IoError error) {
    DatError e(DatErrorKind::Io);
    e.io_ = error;
    return e;
}

DatError DatError::bin_read(RecordError error) {
    DatError e(DatErrorKind::BinRead);
    e.record_ = std::move(error);
    return e;
}

DatError DatError::not_found(std::uint32_t file_id) {
    DatError e(DatErrorKind::NotFound);
    e.number_ = file_id;
    return e;
}

DatError DatError::duplicate_id(std::uint32_t file_id) {
    DatError e(DatErrorKind::DuplicateId);
    e.number_ = file_id;
    return e;
}

DatError DatError::duplicate_namespaced_id(std::string namespace_label, std::uint32_t file_id) {
    DatError e(DatErrorKind::DuplicateNamespacedId);
    e.text_ = std::move(namespace_label);
    e.number_ = file_id;
    return e;
}

DatError DatError::invalid_magic(std::string format) {
    DatError e(DatErrorKind::InvalidMagic);
    e.text_ = std::move(format);
    return e;
}

DatError DatError::unsupported_version(std::uint32_t version) {
    DatError e(DatErrorKind::UnsupportedVersion);
    e.number_ = version;
    return e;
}

DatError DatError::invalid_namespace(std::string reason) {
    DatError e(DatErrorKind::InvalidNamespace);
    e.text_ = std::move(reason);
    return e;
}

DatError DatError::corruption(std::string detail) {
    DatError e(DatErrorKind::Corruption);
    e.text_ = std::move(detail);
    return e;
}

DatError DatError::decompression_failed(std::uint32_t file_id) {
    DatError e(DatErrorKind::DecompressionFailed);
    e.number_ = file_id;
    return e;
}

DatError DatError::path_error(std::filesystem::path path, IoError source) {
    DatError e(DatErrorKind::PathError);
    e.path_ = std::move(path);
    e.io_ = source;
    return e;
}

DatError DatError::other(std::string detail) {
    DatError e(DatErrorKind::Other);
    e.text_ = std::move(detail);
    return e;
}

std::string DatError::message() const {
    switch (kind_) {
        case DatErrorKind::Io: return fmt::format("IO error: {}", io_->message());
        case DatErrorKind::BinRead: return fmt::format("Binary read error: {}", record_->text());
        case DatErrorKind::NotFound: return fmt::format("File ID {:08X} not found in provider", number_);
        case DatErrorKind::DuplicateId: return fmt::format("Duplicate File ID {:08X} detected", number_);
        case DatErrorKind::DuplicateNamespacedId:
            return fmt::format("Duplicate namespaced file {}:{:08X} detected", text_, number_);
        case DatErrorKind::InvalidMagic: return fmt::format("Invalid magic for format: {}", text_);
        case DatErrorKind::UnsupportedVersion: return fmt::format("Unsupported version: {}", number_);
        case DatErrorKind::InvalidNamespace: return fmt::format("Invalid namespace: {}", text_);
        case DatErrorKind::Corruption: return fmt::format("Corruption detected: {}", text_);
        case DatErrorKind::DecompressionFailed: return fmt::format("Failed to recover compressed file {:08X}", number_);
        case DatErrorKind::PathError:
            return fmt::format("Failed to open file at {}: {}", path_.string(), io_->message());
        case DatErrorKind::Other: return fmt::format("Other error: {}", text_);
    }
    return {};
}

std::optional<std::string> DatError::cause() const {
    switch (kind_) {
        case DatErrorKind::Io:
        case DatErrorKind::PathError: return io_->message();
        case DatErrorKind::BinRead: return record_->text();
        case DatErrorKind::NotFound:
        case DatErrorKind::DuplicateId:
        case DatErrorKind::DuplicateNamespacedId:
        case DatErrorKind::InvalidMagic:
        case DatErrorKind::UnsupportedVersion:
        case DatErrorKind::InvalidNamespace:
        case DatErrorKind::Corruption:
        case DatErrorKind::DecompressionFailed:
        case DatErrorKind::Other: return std::nullopt;
    }
    return std::nullopt;
}

std::string DatError::debug() const {
    switch (kind_) {
        case DatErrorKind::Io: return fmt::format("Io({:?})", io_->message());
        case DatErrorKind::BinRead: return fmt::format("BinRead({:?})", record_->text());
        case DatErrorKind::NotFound: return fmt::format("NotFound({})", number_);
        case DatErrorKind::DuplicateId: return fmt::format("DuplicateId({})", number_);
        case DatErrorKind::DuplicateNamespacedId:
            return fmt::format("DuplicateNamespacedId {{ namespace: {:?}, file_id: {} }}", text_, number_);
        case DatErrorKind::InvalidMagic: return fmt::format("InvalidMagic({:?})", text_);
        case DatErrorKind::UnsupportedVersion: return fmt::format("UnsupportedVersion({})", number_);
        case DatErrorKind::InvalidNamespace: return fmt::format("InvalidNamespace({:?})", text_);
        case DatErrorKind::Corruption: return fmt::format("Corruption({:?})", text_);
        case DatErrorKind::DecompressionFailed: return fmt::format("DecompressionFailed({})", number_);
        case DatErrorKind::PathError:
            return fmt::format("PathError {{ path: {:?}, source: {:?} }}", path_.string(), io_->message());
        case DatErrorKind::Other: return fmt::format("Other({:?})", text_);
    }
    return {};
}

}  // namespace quorvel
