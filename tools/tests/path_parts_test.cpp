// Tests of splitting a path's final component and replacing its extension.
#include "quorvel/tools/path_parts.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(SplitFileName, StemAndExtensionOfTheFinalComponent) {
    const struct {
        const char* path;
        FileNameParts parts;
    } cases[] = {
        {"portal.dat", {"portal", "dat"}},
        {"dir.v2/portal.DAT", {"portal", "DAT"}},
        {"archive.cell.qva", {"archive.cell", "qva"}},
        {"out", {"out", std::nullopt}},
        {"dir.qva/out", {"out", std::nullopt}},
        {".gitkeep", {".gitkeep", std::nullopt}},
        {".cell.qva", {".cell", "qva"}},
        {"name.", {"name", ""}},
        {"..qva", {".", "qva"}},
        {"cell.qva/", {"cell", "qva"}},
        {"a/cell.qva//./", {"cell", "qva"}},
        {"/abs/x.bak", {"x", "bak"}},
        {"", {}},
        {"/", {}},
        {".", {}},
        {"./", {}},
        {"..", {}},
        {"a/..", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_file_name(c.path), c.parts) << c.path;
}

TEST(WithExtension, ReplacesOrAppendsOnTheFinalComponent) {
    const struct {
        const char* path;
        std::optional<std::filesystem::path> result;
    } cases[] = {
        {"portal.bak", "portal.qva"},
        {"portal", "portal.qva"},
        {"portal.", "portal.qva"},
        {"dir.v2/portal", "dir.v2/portal.qva"},
        {"/abs/x.y.z", "/abs/x.y.qva"},
        {".hidden", ".hidden.qva"},
        {"dir/", "dir.qva"},
        {"dir/x.txt/.", "dir/x.qva"},
        {"", std::nullopt},
        {".", std::nullopt},
        {"..", std::nullopt},
        {"/", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(with_extension(c.path, "qva"), c.result) << c.path;
}

}  // namespace
}  // namespace quorvel
