// The namespace labels this program gives the two retail datasets.
#pragma once

#include <string_view>

namespace quorvel {

inline constexpr std::string_view portal_namespace_label = "eor/portal";
inline constexpr std::string_view cell_namespace_label = "eor/cell";

}  // namespace quorvel
