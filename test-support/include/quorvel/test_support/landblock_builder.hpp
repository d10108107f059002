// Byte images of landblock terrain and info records, written from the decoded values.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "quorvel/dat/landblock.hpp"
#include "quorvel/test_support/byte_builder.hpp"

namespace quorvel::test {

ByteBuilder& write_vector3(ByteBuilder& b, const Vector3& v);
ByteBuilder& write_quaternion(ByteBuilder& b, const Quaternion& q);  // w first
ByteBuilder& write_frame(ByteBuilder& b, const Frame& f);

/// id, has_objects, then the terrain words and heights exactly as given (so a short grid makes a
/// short record).
ByteBuilder& write_cell_landblock(ByteBuilder& b, const CellLandblock& c);
std::vector<std::uint8_t> cell_landblock_bytes(const CellLandblock& c);

ByteBuilder& write_stab(ByteBuilder& b, const Stab& s);
/// The four fields, the stab list and, after an odd list, 2 zero bytes of padding.
ByteBuilder& write_portal_internal(ByteBuilder& b, const PortalInternal& p);
/// num_portals is the size of `portals`.
ByteBuilder& write_build_info(ByteBuilder& b, const BuildInfo& bi);
/// count, bucket size, then the pairs in the order given (duplicate keys allowed).
ByteBuilder& write_restriction_table(ByteBuilder& b, std::span<const std::pair<std::uint32_t, std::uint32_t>> pairs,
                                     std::uint16_t bucket_size = 0);
ByteBuilder& write_restriction_table(ByteBuilder& b, const RestrictionTable& t);

/// Counts come from the sequence sizes; `pack_mask` is written as given and the restriction table
/// whenever one is present, whatever bit 0 says, so tests can make inconsistent images.
ByteBuilder& write_landblock_info(ByteBuilder& b, const LandblockInfo& info);
std::vector<std::uint8_t> landblock_info_bytes(const LandblockInfo& info);

/// A terrain record with stored id `id` and distinct terrain words and heights at every vertex.
CellLandblock sample_cell_landblock(std::uint32_t id, std::uint32_t has_objects = 1);

/// An info record using every feature: two objects, two buildings (portals with odd, even and empty
/// stab lists) and a restriction table with pack_mask bit 0 set.
LandblockInfo sample_landblock_info(std::uint32_t id);

}  // namespace quorvel::test
