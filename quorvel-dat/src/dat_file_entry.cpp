// Decoding of one DAT directory entry.
#include "quorvel/dat/dat_file_entry.hpp"

#include "quorvel/common/record_reader.hpp"

namespace quorvel {

RecordResult<DatFileEntry> DatFileEntry::read(ByteCursor& cursor) {
    RecordReader r(cursor, "DatFileEntry");
    DatFileEntry e;
    e.bit_flags = r.u32("bit_flags");
    e.id = r.u32("id");
    e.offset = r.u32("offset");
    e.size = r.u32("size");
    e.timestamp = r.u32("timestamp");
    e.version = r.u32("version");
    return r.finish(e);
}

}  // namespace quorvel
