// Decoding of the DAT header.
#include "quorvel/dat/dat_header.hpp"

#include <algorithm>

#include "quorvel/common/record_reader.hpp"

namespace quorvel {

RecordResult<DatHeader> DatHeader::read(ByteCursor& cursor) {
    RecordReader r(cursor, "DatHeader");
    DatHeader h;
    h.magic = r.u32("magic");
    h.block_size = r.u32("block_size");
    h.file_size = r.u32("file_size");
    h.dataset = r.u32("dataset");
    h.subset = r.u32("subset");
    h.free_head = r.u32("free_head");
    h.free_tail = r.u32("free_tail");
    h.free_count = r.u32("free_count");
    h.root_offset = r.u32("root_offset");
    h.new_lru = r.u32("new_lru");
    h.old_lru = r.u32("old_lru");
    h.use_lru = r.u32("use_lru");
    h.master_map_id = r.u32("master_map_id");
    h.engine_version = r.u32("engine_version");
    h.game_version = r.u32("game_version");
    const auto version = r.bytes("version_string", h.version_string.size());
    std::ranges::copy(version, h.version_string.begin());
    h.version_minor = r.u32("version_minor");
    return r.finish(h);
}

}  // namespace quorvel
