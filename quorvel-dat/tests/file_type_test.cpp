// Tests of content types, their labels and codes, DAT kinds and the classification of ids.
#include "quorvel/dat/file_type.hpp"

#include <set>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "quorvel/dat/dat_file_entry.hpp"
#include "quorvel/dat/dat_header.hpp"

namespace quorvel {

// Lets failures show labels instead of raw bytes.
void PrintTo(DatFileType type, std::ostream* os) { *os << label(type); }

namespace {

using enum DatFileType;

TEST(DatFileType, TableHoldsFortyEightTypesWithTheirCodes) {
    const auto types = dat_file_types();
    ASSERT_EQ(types.size(), 48u);
    std::set<std::string_view> labels;
    for (const auto& t : types) {
        EXPECT_EQ(dat_file_type_from_code(static_cast<std::uint32_t>(t.type)), t.type);
        EXPECT_EQ(label(t.type), t.label);
        labels.insert(t.label);
    }
    EXPECT_EQ(labels.size(), 48u);

    const struct {
        DatFileType type;
        std::uint32_t code;
        std::string_view label;
    } samples[] = {
        {Unknown, 0x00, "Unknown"},
        {Texture, 0x06, "Texture (DDS/JPG)"},
        {Table, 0x0E, "Table"},
        {DatabaseProperties, 0x78, "DatabaseProperties"},
        {Landblock, 0xFE, "Landblock (Terrain)"},
        {LandblockInfo, 0xFF, "LandblockInfo (Static)"},
        {Iteration, 0xFE01, "Iteration (Metadata)"},
        {Custom, 0xFFFFFF00, "Custom"},
        {MotionKinematics, 0xFFFFFF01, "MotionKinematics"},
    };
    for (const auto& s : samples) {
        EXPECT_EQ(static_cast<std::uint32_t>(s.type), s.code);
        EXPECT_EQ(label(s.type), s.label);
    }
}

TEST(DatFileType, CodesOutsideTheTableAreNoType) {
    for (const std::uint32_t code : {0x07u, 0x0Bu, 0x0Cu, 0x1Au, 0x1Fu, 0x28u, 0x2Fu, 0x35u, 0x37u, 0x3Au, 0x3Fu, 0x43u,
                                     0x77u, 0x79u, 0xFCu, 0x100u, 0xFE00u, 0xFFFFFFFFu})
        EXPECT_EQ(dat_file_type_from_code(code), std::nullopt) << code;
}

TEST(DatFileType, FormatsAsItsLabel) {
    EXPECT_EQ(fmt::format("{}", Custom), "Custom");
    EXPECT_EQ(fmt::format("[{:<12}]", Table), "[Table       ]");
    EXPECT_EQ(fmt::format("[{:<3}]", SurfaceTexture), "[SurfaceTexture (TEX)]");
}

TEST(ClassifyPortalPrefix, EveryPrefix) {
    const auto typed = [](unsigned p) {
        return (p >= 0x01 && p <= 0x06) || (p >= 0x08 && p <= 0x0A) || (p >= 0x0D && p <= 0x19) ||
               (p >= 0x20 && p <= 0x27) || (p >= 0x30 && p <= 0x34) || p == 0x38 || p == 0x39 ||
               (p >= 0x40 && p <= 0x42) || p == 0x78;
    };
    for (unsigned p = 0; p < 256; ++p) {
        const DatFileType expected = p == 0x07 ? Texture : typed(p) ? static_cast<DatFileType>(p) : Unknown;
        EXPECT_EQ(classify_portal_prefix(static_cast<std::uint8_t>(p)), expected) << p;
    }
}

TEST(DatKind, FromMagicBlockSizeAndDataset) {
    const struct {
        std::uint32_t magic, block_size, dataset;
        DatKind kind;
    } cases[] = {
        {0x5442, 1024, 1, DatKind::Portal},      {0x5442, 256, 2, DatKind::Cell},
        {0x5442, 1024, 2, DatKind::OtherRetail}, {0x5442, 256, 1, DatKind::OtherRetail},
        {0x5442, 512, 1, DatKind::OtherRetail},  {0x5442, 512, 2, DatKind::OtherRetail},
        {0x5443, 1024, 1, DatKind::Unrecognized}, {0, 256, 2, DatKind::Unrecognized},
    };
    for (const auto& c : cases) {
        DatHeader h;
        h.magic = c.magic;
        h.block_size = c.block_size;
        h.dataset = c.dataset;
        EXPECT_EQ(dat_kind(h), c.kind) << c.magic << " " << c.block_size << " " << c.dataset;
    }
}

TEST(FileTypeInDat, ById) {
    const struct {
        std::uint32_t id;
        DatKind kind;
        DatFileType type;
    } cases[] = {
        {0x07000123, DatKind::Portal, Texture},
        {0x06000123, DatKind::Portal, Texture},
        {0x0E000003, DatKind::Portal, Table},
        {0x5C3AFFFF, DatKind::Portal, Unknown},
        {0xFD000001, DatKind::Portal, Unknown},
        {0x0E000003, DatKind::OtherRetail, Table},
        {0x5C3AFFFF, DatKind::OtherRetail, Unknown},
        {0x5C3AFFFF, DatKind::Cell, Landblock},
        {0x5C3AFFFE, DatKind::Cell, LandblockInfo},
        {0x5C3A0100, DatKind::Cell, IndoorCell},
        {0x5C3AFFFD, DatKind::Cell, IndoorCell},
        {0x5C3A0001, DatKind::Cell, IndoorCell},
        {0x5C3A0000, DatKind::Cell, Unknown},
        {0x0E000003, DatKind::Cell, IndoorCell},
        {0x0E000003, DatKind::Unrecognized, Table},
        {0x7F120100, DatKind::Unrecognized, IndoorCell},
        {0x7F120000, DatKind::Unrecognized, Unknown},
        {0x0E00FFFF, DatKind::Unrecognized, Landblock},
        {0x0600FFFE, DatKind::Unrecognized, LandblockInfo},
        {0xFFFF0001, DatKind::Portal, Iteration},
        {0xFFFF0001, DatKind::Cell, Iteration},
        {0xFFFF0001, DatKind::OtherRetail, Iteration},
        {0xFFFF0001, DatKind::Unrecognized, Iteration},
    };
    for (const auto& c : cases) {
        DatFileEntry e;
        e.id = c.id;
        EXPECT_EQ(e.file_type_in_dat(c.kind), c.type) << fmt::format("{:08X} kind {}", c.id, static_cast<int>(c.kind));
    }
}

}  // namespace
}  // namespace quorvel
