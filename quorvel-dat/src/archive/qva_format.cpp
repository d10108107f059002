// Field-by-field readers and writers of the QVA records.
#include "quorvel/dat/archive/qva_format.hpp"

#include <algorithm>
#include <cassert>

#include "quorvel/common/record_reader.hpp"

namespace quorvel {

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> to_array(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, N> out{};
    std::copy_n(bytes.begin(), std::min(N, bytes.size()), out.begin());
    return out;
}

/// Appends fields to a fixed-size record buffer.
template <std::size_t N>
class RecordWriter {
public:
    template <class T>
    RecordWriter& le(T value) {
        store_le(out_.data() + pos_, value);
        pos_ += sizeof(T);
        return *this;
    }
    template <std::size_t M>
    RecordWriter& bytes(const std::array<std::uint8_t, M>& b) {
        std::copy(b.begin(), b.end(), out_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ += M;
        return *this;
    }
    std::array<std::uint8_t, N> done() const {
        assert(pos_ == N && "record layout does not fill its record size");
        return out_;
    }

private:
    std::array<std::uint8_t, N> out_{};
    std::size_t pos_ = 0;
};

}  // namespace

RecordResult<QvaHeader> QvaHeader::read(ByteCursor& cursor) {
    RecordReader r(cursor, "QvaHeader");
    QvaHeader h;
    h.magic = to_array<4>(r.bytes("magic", 4));
    h.version = r.u32("version");
    h.entry_count = r.u32("entry_count");
    h.index_offset = r.u64("index_offset");
    h.metadata_size = r.u32("metadata_size");
    return r.finish(h);
}

std::array<std::uint8_t, QvaHeader::record_size> QvaHeader::to_bytes() const {
    RecordWriter<record_size> w;
    w.bytes(magic).le(version).le(entry_count).le(index_offset).le(metadata_size);
    return w.done();
}

RecordResult<QvaEntry> QvaEntry::read(ByteCursor& cursor) {
    RecordReader r(cursor, "QvaEntry");
    QvaEntry e;
    e.namespace_ = to_array<ResourceNamespace::max_len>(r.bytes("namespace", ResourceNamespace::max_len));
    e.file_id = r.u32("file_id");
    e.type_id = r.u32("type_id");
    e.offset = r.u64("offset");
    e.size = r.u32("size");
    e.comp_size = r.u32("comp_size");
    e.flags = r.u8("flags");
    e.storage_id = r.u8("storage_id");
    e.reserved = r.u16("reserved");
    return r.finish(e);
}

std::array<std::uint8_t, QvaEntry::record_size> QvaEntry::to_bytes() const {
    RecordWriter<record_size> w;
    w.bytes(namespace_).le(file_id).le(type_id).le(offset).le(size).le(comp_size).le(flags).le(storage_id).le(reserved);
    return w.done();
}

DatResult<ResourceNamespace> QvaEntry::namespace_id() const { return ResourceNamespace::from_bytes(namespace_); }

RecordResult<QvaNamespaceIndexEntry> QvaNamespaceIndexEntry::read(ByteCursor& cursor) {
    RecordReader r(cursor, "QvaNamespaceIndexEntry");
    QvaNamespaceIndexEntry e;
    e.namespace_ = to_array<ResourceNamespace::max_len>(r.bytes("namespace", ResourceNamespace::max_len));
    e.start_index = r.u32("start_index");
    e.entry_count = r.u32("entry_count");
    return r.finish(e);
}

std::array<std::uint8_t, QvaNamespaceIndexEntry::record_size> QvaNamespaceIndexEntry::to_bytes() const {
    RecordWriter<record_size> w;
    w.bytes(namespace_).le(start_index).le(entry_count);
    return w.done();
}

DatResult<void> check_qva_payload_length(const ResourceNamespace& ns, std::uint32_t file_id, std::uint64_t length) {
    if (length <= std::numeric_limits<std::uint32_t>::max()) return {};
    return std::unexpected(DatError::other(
        fmt::format("payload of {0}:0x{1:08X} is {2} bytes; QVA entries must be smaller than 4 GiB", ns, file_id, length)));
}

DatResult<void> check_qva_entry_count(std::uint64_t count) {
    if (count <= qva_max_entry_count) return {};
    return std::unexpected(
        DatError::other(fmt::format("QVA archives cannot hold more than {} entries", qva_max_entry_count)));
}

}  // namespace quorvel
