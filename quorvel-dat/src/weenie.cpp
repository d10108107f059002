// Decoding of weenie records and weenie table files.
#include "quorvel/dat/weenie.hpp"

#include "quorvel/common/record_reader.hpp"
#include "quorvel/dat/utils/text.hpp"

namespace quorvel {
namespace {

// Weenie fields carry no context frames: a failure reads as the bare cause.
constexpr std::string_view no_frame;

RecordResult<std::string> read_string_value(ByteCursor& cursor) { return read_pstring(cursor, 2); }

/// One section: a u16 count, then (u32 number, value) pairs handed to `apply` in file order.
template <class ReadValue, class Apply>
void read_section(RecordReader& r, ReadValue read_value, Apply apply) {
    const std::uint16_t count = r.u16(no_frame);
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
        const std::uint32_t number = r.u32(no_frame);
        auto value = read_value(r);
        if (!r.ok()) break;
        apply(number, std::move(value));
    }
}

}  // namespace

RecordResult<Weenie> Weenie::unpack_from_reader(ByteCursor& cursor) {
    RecordReader r(cursor, "Weenie");
    Weenie w;
    w.class_id = r.u32(no_frame);
    w.weenie_type = r.u32(no_frame);
    r.u32(no_frame);  // not interpreted, but must be present

    auto& p = w.properties;
    read_section(
        r, [](RecordReader& rr) { return rr.i32(no_frame); },
        [&](std::uint32_t n, std::int32_t v) { p.apply_raw_int(n, v); });
    read_section(
        r, [](RecordReader& rr) { return rr.i64(no_frame); },
        [&](std::uint32_t n, std::int64_t v) { p.apply_raw_int64(n, v); });
    read_section(
        r, [](RecordReader& rr) { return rr.u8(no_frame) != 0; },
        [&](std::uint32_t n, bool v) { p.apply_raw_bool(n, v); });
    read_section(
        r, [](RecordReader& rr) { return rr.f64(no_frame); },
        [&](std::uint32_t n, double v) { p.apply_raw_float(n, v); });
    read_section(
        r,
        [](RecordReader& rr) {
            auto text = rr.read(no_frame, read_string_value);
            rr.align(no_frame, 4);
            return text;
        },
        [&](std::uint32_t n, std::string v) { p.apply_raw_string(n, std::move(v)); });
    read_section(
        r, [](RecordReader& rr) { return rr.u32(no_frame); },
        [&](std::uint32_t n, std::uint32_t v) { p.apply_raw_did(n, v); });
    read_section(
        r, [](RecordReader& rr) { return rr.u32(no_frame); },
        [&](std::uint32_t n, std::uint32_t v) { p.apply_raw_iid(n, v); });
    return r.finish(std::move(w));
}

DatResult<Weenie> Weenie::unpack(std::span<const std::uint8_t> bytes) {
    ByteCursor cursor(bytes);
    auto weenie = unpack_from_reader(cursor);
    if (!weenie) return std::unexpected(DatError(std::move(weenie.error())));
    return std::move(*weenie);
}

std::optional<std::string_view> Weenie::name() const { return properties.get(property_string_name); }

std::optional<std::uint32_t> Weenie::icon_id() const { return properties.get(property_data_id_icon); }

DatResult<WeenieTable> WeenieTable::unpack(std::span<const std::uint8_t> bytes) {
    ByteCursor cursor(bytes);
    RecordReader r(cursor, "WeenieTable");
    WeenieTable table;
    table.table_id = r.u32(no_frame);
    const std::uint16_t count = r.u16(no_frame);
    r.u16(no_frame);  // not interpreted, but must be present
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
        const std::uint32_t key = r.u32(no_frame);
        auto weenie = r.read(no_frame, &Weenie::unpack_from_reader);
        if (r.ok()) table.weenies.insert_or_assign(key, std::move(weenie));
    }
    auto result = r.finish(std::move(table));
    if (!result) return std::unexpected(DatError(std::move(result.error())));
    return std::move(*result);
}

}  // namespace quorvel
