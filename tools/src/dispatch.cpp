// Maps each parsed subcommand to its handler.
#include "quorvel/tools/commands.hpp"

namespace quorvel {

namespace {

template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};

}  // namespace

Result<> dispatch(const Commands& command, Output& out) {
    return std::visit(Overloaded{
                          [&](const MetaCommand& c) { return run_meta(c, out); },
                          [&](const ListCommand& c) { return run_list(c, out); },
                          [&](const InfoCommand& c) { return run_info(c, out); },
                          [&](const ExportCommand& c) { return run_export(c, out); },
                          [&](const SpellExportCommand& c) { return run_spell_export(c, out); },
                          [&](const ExtractCommand& c) { return run_extract(c, out); },
                          [&](const WeenieCommand& c) { return run_weenie(c, out); },
                          [&](const WeenieFindCommand& c) { return run_weenie_find(c, out); },
                          [&](const LandblockCommand& c) { return run_landblock(c, out); },
                          [&](const QvaPackCommand& c) { return run_qva_pack(c, out); },
                          [&](const UnpackCommand& c) { return run_unpack(c, out); },
                          [&](const VerifyCommand& c) { return run_verify(c, out); },
                      },
                      command);
}

}  // namespace quorvel
