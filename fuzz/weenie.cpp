// Fuzz target: weenie records, one from the start of the input and then back to back from a cursor.
#include "harness.hpp"
#include "quorvel/dat/weenie.hpp"

namespace quorvel::fuzz {

void run_one(std::span<const std::uint8_t> data) {
    auto weenie = Weenie::unpack(data);
    if (weenie) {
        (void)weenie->name();
        (void)weenie->icon_id();
    } else {
        render(weenie.error());
    }

    ByteCursor cursor(data);
    for (;;) {
        const std::size_t before = cursor.position();
        auto next = Weenie::unpack_from_reader(cursor);
        if (!next) {
            render(next.error());
            require(cursor.position() == before, "a failed weenie read moved the cursor");
            return;
        }
        require(cursor.position() > before, "a weenie read consumed nothing");
    }
}

}  // namespace quorvel::fuzz
