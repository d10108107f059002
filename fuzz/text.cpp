// Fuzz target: text decoding, length-prefixed strings of every count width, and obfuscated strings.
#include <string>

#include "harness.hpp"
#include "quorvel/dat/utils/text.hpp"

namespace quorvel::fuzz {
namespace {

// Reads strings back to back until one fails; every success must move forward by at least its
// count. A failure leaves the cursor where that string began, or at the end of the data when the
// count was read but its bytes are missing.
template <class Read>
void read_all(std::span<const std::uint8_t> data, std::size_t count_width, Read read) {
    ByteCursor cursor(data);
    for (;;) {
        const std::size_t before = cursor.position();
        auto text = read(cursor);
        if (!text) {
            render(text.error());
            require(cursor.position() == before || cursor.position() == data.size(),
                    "a failed string read left the cursor inside the data");
            return;
        }
        require(cursor.position() >= before + count_width, "a string read did not consume its count");
        require(is_utf8(*text), "a decoded string is not UTF-8");
    }
}

}  // namespace

void run_one(std::span<const std::uint8_t> data) {
    require(is_utf8(decode_text(data)), "decode_text produced malformed UTF-8");

    for (const int width : {1, 2, 4}) {
        read_all(data, static_cast<std::size_t>(width), [width](ByteCursor& c) { return read_pstring(c, width); });
    }
    for (const int width : {0, 3, 8}) {
        ByteCursor cursor(data);
        auto refused = read_pstring(cursor, width);
        require(!refused && cursor.position() == 0, "an unsupported count width was accepted");
        render(refused.error());
    }
    read_all(data, 2, [](ByteCursor& c) { return read_obfuscated_string(c); });
}

}  // namespace quorvel::fuzz
