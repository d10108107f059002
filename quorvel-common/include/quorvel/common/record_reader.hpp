// Reads one record field by field with a sticky error, so a decoder reads as its list of fields.
//
//   RecordReader r(cur, "BuildInfo");
//   b.model_id = r.u32("model_id");
//   b.frame = r.read("frame", read_frame);
//   return r.finish(std::move(b));
//
// After the first failure every later read does nothing and yields a default value; `finish` then
// returns the error, with the failing field's context frame, and puts the cursor back where the
// record began. A field named with an empty string adds no frame.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

#include "quorvel/common/byte_cursor.hpp"

namespace quorvel {

class RecordReader {
public:
    RecordReader(ByteCursor& cursor, std::string_view record)
        : cursor_(cursor), record_(record), start_(cursor.position()) {}

    bool ok() const { return !error_; }
    ByteCursor& cursor() { return cursor_; }

    /// Decodes a field with `decode(ByteCursor&) -> RecordResult<T>`; a nested record keeps its own frames.
    template <class F>
    auto read(std::string_view field, F&& decode) {
        using Result = std::invoke_result_t<F, ByteCursor&>;
        using T = typename Result::value_type;
        if constexpr (std::is_void_v<T>) {
            if (error_) return;
            auto result = std::invoke(decode, cursor_);
            if (!result) fail(field, std::move(result.error()));
        } else {
            if (error_) return T{};
            auto result = std::invoke(decode, cursor_);
            if (!result) {
                fail(field, std::move(result.error()));
                return T{};
            }
            return std::move(*result);
        }
    }

    std::uint8_t u8(std::string_view field) { return read(field, &ByteCursor::u8); }
    std::uint16_t u16(std::string_view field) { return read(field, &ByteCursor::u16); }
    std::uint32_t u32(std::string_view field) { return read(field, &ByteCursor::u32); }
    std::uint64_t u64(std::string_view field) { return read(field, &ByteCursor::u64); }
    std::int32_t i32(std::string_view field) { return read(field, &ByteCursor::i32); }
    std::int64_t i64(std::string_view field) { return read(field, &ByteCursor::i64); }
    float f32(std::string_view field) { return read(field, &ByteCursor::f32); }
    double f64(std::string_view field) { return read(field, &ByteCursor::f64); }

    /// `n` bytes as a view into the cursor's data (empty after a failure).
    std::span<const std::uint8_t> bytes(std::string_view field, std::size_t n) {
        return read(field, [n](ByteCursor& c) { return c.take(n); });
    }

    /// Moves forward `n` bytes without requiring them to exist.
    void skip(std::string_view field, std::size_t n) {
        read(field, [n](ByteCursor& c) { return c.skip(n); });
    }

    /// Rounds the position up to a multiple of `alignment`, measured from the cursor's start.
    void align(std::string_view field, std::size_t alignment) {
        read(field, [alignment](ByteCursor& c) { return c.align(alignment); });
    }

    /// `count` elements decoded one after another; the vector grows as elements arrive, so a huge
    /// count with little data fails on end of data instead of reserving memory.
    template <class F>
    auto repeat(std::string_view field, std::uint64_t count, F&& decode) {
        using T = typename std::invoke_result_t<F, ByteCursor&>::value_type;
        std::vector<T> items;
        for (std::uint64_t i = 0; i < count && !error_; ++i) {
            auto result = std::invoke(decode, cursor_);
            if (!result) {
                fail(field, std::move(result.error()));
                break;
            }
            items.push_back(std::move(*result));
        }
        return items;
    }

    /// Fails the record with an assertion at the current position unless `condition` holds.
    bool check(bool condition, std::string_view field, std::string message) {
        if (!error_ && !condition) fail(field, RecordError::assertion(cursor_.position(), std::move(message)));
        return ok();
    }

    /// Records a failure of `field` (the first failure wins).
    void fail(std::string_view field, RecordError error) {
        if (error_) return;
        if (!field.empty()) error.add_frame(field, record_);
        error_ = std::move(error);
    }

    /// The value, or the first error with the cursor restored to where the record began.
    template <class T>
    RecordResult<std::remove_cvref_t<T>> finish(T&& value) {
        if (error_) {
            cursor_.seek(start_);
            return std::unexpected(std::move(*error_));
        }
        return std::forward<T>(value);
    }

private:
    ByteCursor& cursor_;
    std::string_view record_;
    std::size_t start_;
    std::optional<RecordError> error_;
};

}  // namespace quorvel
