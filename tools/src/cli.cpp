// The command line: every subcommand, argument, value name and help text, and the parse into Commands.
#include "quorvel/tools/cli.hpp"

#include <algorithm>
#include <array>
#include <iostream>
#include <memory>

#include <CLI/CLI.hpp>

#include "quorvel/tools/parse_id.hpp"
#include "utf8_decode.hpp"

namespace quorvel {

namespace {

constexpr const char* program_name = "quorvel-tools";
constexpr const char* program_version = "0.1.0";

constexpr const char* path_help = "Path to the DAT or QVA file";
constexpr const char* namespace_help = "Namespace label for multi-namespace QVA archives";

static_assert(static_cast<std::size_t>(SpellSchool::Void) + 1 == spell_school_names.size());
static_assert(static_cast<std::size_t>(SpellFieldPreset::Minimal) + 1 == spell_preset_names.size());

enum class Subcommand {
    Meta,
    List,
    Info,
    Export,
    SpellExport,
    Extract,
    Weenie,
    WeenieFind,
    Landblock,
    QvaPack,
    Unpack,
    Verify,
};

// Help order is declaration order, so this table follows the order of the Commands variant.
struct SubcommandInfo {
    Subcommand id;
    const char* name;
    const char* description;
};
constexpr std::array<SubcommandInfo, 12> subcommand_table{{
    {Subcommand::Meta, "meta", "List meta info about the QVA/DAT file itself"},
    {Subcommand::List, "list", "List all files in the DAT"},
    {Subcommand::Info, "info", "Get info about a specific file ID"},
    {Subcommand::Export, "export", "Export a file to disk"},
    {Subcommand::SpellExport, "spell-export", "Export the spell table to JSON"},
    {Subcommand::Extract, "extract", "Extract a file to its native format if possible"},
    {Subcommand::Weenie, "weenie", "Inspect a Weenie template"},
    {Subcommand::WeenieFind, "weenie-find", "Scan table records for a WCID-based Weenie entry"},
    {Subcommand::Landblock, "landblock", "Inspect a Landblock"},
    {Subcommand::QvaPack, "qva-pack", "Pack a directory into an QVA archive"},
    {Subcommand::Unpack, "unpack", "Write every entry into a directory of [ID].[TYPE] files"},
    {Subcommand::Verify, "verify", "Read every entry and check the sizes the file records"},
}};

constexpr const char* unpack_footer =
    "Each entry becomes the file OUTDIR/ID.TYPE holding its decompressed bytes: ID in eight upper-case\n"
    "hexadecimal digits, TYPE the type code in hexadecimal (the classified type of a DAT entry, the\n"
    "stored type id of a QVA entry), so that qva-pack of OUTDIR packs the same entries again. A QVA\n"
    "archive with several namespaces needs --namespace. Nothing is written when any target file\n"
    "already exists, unless --force is given.\n";

constexpr const char* verify_footer =
    "A DAT file passes when the header's file size does not exceed the file's length, every entry's\n"
    "declared size fits in the file, its block chain can be read, and every compressed entry has a\n"
    "size prefix and decompresses to exactly that many bytes.\n"
    "A QVA archive passes when, for every index record, its namespace is a valid label equal to that\n"
    "of the namespace range holding it, ids ascend without duplicates within a namespace, the stored\n"
    "bytes lie between the header and the namespace metadata, an uncompressed entry's stored size\n"
    "equals its size, and a compressed entry decompresses to exactly its size.\n"
    "Each problem is printed as 'ID: problem' ('NAMESPACE:ID: problem' for an archive), followed by\n"
    "a summary line. The exit status is 1 when any problem was found.\n";

// Text arguments are UTF-8 strings; paths are not checked.
CLI::Validator utf8_text() {
    return CLI::Validator(
        [](std::string& value) { return detail::is_valid_utf8(value) ? std::string() : std::string("invalid UTF-8 was detected"); },
        "");
}

std::vector<std::string> split_at_commas(const std::string& value) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t comma; (comma = value.find(',', start)) != std::string::npos; start = comma + 1)
        pieces.push_back(value.substr(start, comma - start));
    pieces.push_back(value.substr(start));
    return pieces;
}

// Accepts only the given words, compared case-sensitively. For a list, every comma-separated piece
// of one occurrence is checked, and an empty piece is refused like any other word outside the set.
CLI::Validator word_from(std::vector<std::string> words, bool list) {
    std::string description = "{";
    for (const auto& word : words) description += (description.size() > 1 ? "," : "") + word;
    description += "}";
    return CLI::Validator(
        [words = std::move(words), list](std::string& value) {
            for (const auto& piece : list ? split_at_commas(value) : std::vector<std::string>{value}) {
                if (std::find(words.begin(), words.end(), piece) == words.end()) {
                    std::string possible;
                    for (const auto& word : words) possible += (possible.empty() ? "" : ", ") + word;
                    return "invalid value '" + piece + "' [possible values: " + possible + "]";
                }
            }
            return std::string();
        },
        description);
}

// Category ids are plain decimal: unlike file ids, no hexadecimal and no white space.
CLI::Validator decimal_u32_list() {
    return CLI::Validator(
        [](std::string& value) {
            for (const auto& piece : split_at_commas(value)) {
                const auto parsed = parse_u32(piece, 10);
                if (!parsed) return "invalid value '" + piece + "': " + std::string(int_error_message(parsed.error()));
            }
            return std::string();
        },
        "");
}

template <class Table, class Name>
std::vector<std::string> names_of(const Table& table, Name name) {
    std::vector<std::string> names;
    for (const auto& entry : table) names.emplace_back(name(entry));
    return names;
}

template <class Table>
std::size_t index_of(const Table& table, std::string_view name) {
    return static_cast<std::size_t>(std::find(table.begin(), table.end(), name) - table.begin());
}

// Storage the parser fills. Only one subcommand is parsed, so its options share these fields.
struct Values {
    std::string path;
    std::string id;
    std::string namespace_label;
    std::string output;
    std::string input;
    std::string outdir;
    bool compress = false;
    bool force = false;
    std::vector<std::string> schools;
    std::vector<std::string> categories;
    std::vector<std::string> fields;
    std::string preset{spell_preset_names[0]};
    std::string help_topic;
};

class Declaration {
public:
    Declaration() {
        app_.formatter(formatter_);
        app_.set_version_flag("-V,--version", std::string(program_name) + " " + program_version, "Print version");
        app_.require_subcommand(1);
        for (const auto& info : subcommand_table) {
            CLI::App* sub = app_.add_subcommand(info.name, info.description);
            subcommands_[static_cast<std::size_t>(info.id)] = sub;
            declare(info.id, *sub);
        }
        help_ = app_.add_subcommand("help", "Print this message or the help of the given subcommand");
        help_->add_option("SUBCOMMAND", values_.help_topic, "The subcommand whose help to print")->type_name("");
    }

    std::variant<Commands, int> parse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
        if (args.empty()) {
            err << help_text(app_);
            return 2;
        }
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        try {
            app_.parse(reversed);
        } catch (const CLI::CallForHelp&) {
            out << help_text(selected());
            return 0;
        } catch (const CLI::CallForVersion& e) {
            out << e.what() << '\n';
            return 0;
        } catch (const CLI::ParseError& e) {
            return usage_error(err, selected(), describe(e));
        }

        const CLI::App* chosen = app_.get_subcommands().front();
        if (chosen == help_) return print_help_of(values_.help_topic, out, err);
        const auto index = static_cast<std::size_t>(std::find(subcommands_.begin(), subcommands_.end(), chosen) -
                                                    subcommands_.begin());
        return convert(subcommand_table[index].id, *chosen);
    }

private:
    void declare(Subcommand id, CLI::App& sub) {
        switch (id) {
            case Subcommand::Meta:
            case Subcommand::List: add_path(sub); break;
            case Subcommand::Info:
            case Subcommand::Weenie:
            case Subcommand::Landblock:
                add_path(sub);
                add_id(sub, "ID");
                add_namespace(sub);
                break;
            case Subcommand::Export:
            case Subcommand::Extract:
                add_path(sub);
                add_id(sub, "ID");
                add_namespace(sub);
                add_output(sub, "");
                break;
            case Subcommand::SpellExport: declare_spell_export(sub); break;
            case Subcommand::WeenieFind:
                add_path(sub);
                add_id(sub, "WCID");
                break;
            case Subcommand::QvaPack:
                sub.add_option("INPUT", values_.input, "Input directory containing files named [ID].[TYPE] (hex)")
                    ->required()
                    ->type_name("");
                sub.add_option("OUTPUT", values_.output, "Output QVA file")->required()->type_name("");
                sub.add_flag("-c,--compress", values_.compress, "Enable compression");
                break;
            case Subcommand::Unpack:
                add_path(sub);
                sub.add_option("OUTDIR", values_.outdir, "Directory to write the entry files into; created if missing")
                    ->required()
                    ->type_name("");
                add_namespace(sub);
                sub.add_flag("-f,--force", values_.force, "Replace files that already exist in OUTDIR");
                sub.footer(unpack_footer);
                break;
            case Subcommand::Verify:
                add_path(sub);
                sub.footer(verify_footer);
                break;
        }
    }

    void declare_spell_export(CLI::App& sub) {
        add_path(sub);
        add_namespace(sub);
        add_list(sub, "--schools", values_.schools, "Spell schools to include in the export", "SCHOOLS")
            ->check(word_from(names_of(spell_school_names, [](std::string_view n) { return n; }), true));
        add_list(sub, "--categories", values_.categories, "Spell category IDs to include in the export", "CATEGORIES")
            ->check(decimal_u32_list());
        add_list(sub, "--fields", values_.fields, "Spell fields to include in the export", "FIELDS")
            ->check(word_from(names_of(spell_export_fields, [](const auto& f) { return f.cli_name; }), true));
        sub.add_option("--preset", values_.preset, "Field preset to use when no explicit fields are provided")
            ->type_name("PRESET")
            ->default_str(std::string(spell_preset_names[0]))
            ->check(word_from(names_of(spell_preset_names, [](std::string_view n) { return n; }), false));
        add_output(sub, "Output JSON file; prints to stdout when omitted");
    }

    void add_path(CLI::App& sub) { sub.add_option("PATH", values_.path, path_help)->required()->type_name(""); }

    void add_id(CLI::App& sub, const char* value_name) {
        sub.add_option(value_name, values_.id)->required()->type_name("")->check(utf8_text());
    }

    void add_namespace(CLI::App& sub) {
        sub.add_option("--namespace", values_.namespace_label, namespace_help)->type_name("NAMESPACE")->check(utf8_text());
    }

    void add_output(CLI::App& sub, const char* help) {
        sub.add_option("-o,--output", values_.output, help)->type_name("OUT");
    }

    // One value per occurrence, split at commas after checking (see `word_from`); every occurrence
    // appends in command-line order.
    static CLI::Option* add_list(CLI::App& sub, const char* name, std::vector<std::string>& target, const char* help,
                                 const char* value_name) {
        return sub.add_option(name, target, help)->type_name(value_name)->expected(1)->allow_extra_args(false)->take_all();
    }

    // At the top level the parser only notices that no subcommand came; the argument it skipped is
    // the better thing to name.
    std::string describe(const CLI::ParseError& e) const {
        if (&selected() == &app_) {
            const auto skipped = app_.remaining();
            if (!skipped.empty()) {
                if (skipped.front().starts_with("-")) return "unexpected argument '" + skipped.front() + "' found";
                return "unrecognized subcommand '" + skipped.front() + "'";
            }
        }
        return e.what();
    }

    // The app whose help or usage fits: the innermost subcommand the parser had entered.
    const CLI::App& selected() const {
        const CLI::App* app = &app_;
        for (auto subs = app->get_subcommands(); !subs.empty(); subs = app->get_subcommands()) app = subs.front();
        return *app;
    }

    static std::string full_name(const CLI::App& app) {
        const CLI::App* parent = app.get_parent();
        return parent == nullptr ? app.get_name() : full_name(*parent) + " " + app.get_name();
    }

    // The formatter pads the help column even when an argument has no help text; those blanks go.
    std::string help_text(const CLI::App& app) const {
        const std::string text = formatter_->make_help(&app, full_name(app), CLI::AppFormatMode::Normal);
        std::string trimmed;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string_view line(text.data() + start, end - start);
            trimmed.append(line.substr(0, line.find_last_not_of(' ') + 1));
            trimmed += '\n';
        }
        trimmed.append(text, start);
        return trimmed;
    }

    int usage_error(std::ostream& err, const CLI::App& app, std::string_view message) const {
        err << "error: " << message << "\n\n"
            << formatter_->make_usage(&app, full_name(app)) << "\nFor more information, try '--help'.\n";
        return 2;
    }

    int print_help_of(const std::string& topic, std::ostream& out, std::ostream& err) const {
        if (topic.empty()) {
            out << help_text(app_);
            return 0;
        }
        for (const CLI::App* sub : app_.get_subcommands({})) {
            if (sub->get_name() == topic) {
                out << help_text(*sub);
                return 0;
            }
        }
        return usage_error(err, *help_, "unrecognized subcommand '" + topic + "'");
    }

    static bool given(const CLI::App& sub, const char* option) {
        const CLI::Option* declared = sub.get_option_no_throw(option);
        return declared != nullptr && declared->count() > 0;
    }

    Commands convert(Subcommand id, const CLI::App& sub) const {
        const std::filesystem::path path(values_.path);
        std::optional<std::string> ns;
        if (given(sub, "--namespace")) ns = values_.namespace_label;
        std::optional<std::filesystem::path> output;
        if (given(sub, "--output")) output = std::filesystem::path(values_.output);

        switch (id) {
            case Subcommand::Meta: return MetaCommand{path};
            case Subcommand::List: return ListCommand{path};
            case Subcommand::Info: return InfoCommand{path, values_.id, ns};
            case Subcommand::Export: return ExportCommand{path, values_.id, ns, output};
            case Subcommand::SpellExport: return SpellExportCommand{path, ns, spell_export_request(), output};
            case Subcommand::Extract: return ExtractCommand{path, values_.id, ns, output};
            case Subcommand::Weenie: return WeenieCommand{path, values_.id, ns};
            case Subcommand::WeenieFind: return WeenieFindCommand{path, values_.id};
            case Subcommand::Landblock: return LandblockCommand{path, values_.id, ns};
            case Subcommand::QvaPack:
                return QvaPackCommand{std::filesystem::path(values_.input), std::filesystem::path(values_.output),
                                      values_.compress};
            case Subcommand::Unpack: return UnpackCommand{path, std::filesystem::path(values_.outdir), ns, values_.force};
            case Subcommand::Verify: return VerifyCommand{path};
        }
        return MetaCommand{path};
    }

    // The words were checked against the value sets while parsing, so every lookup succeeds.
    SpellExportRequest spell_export_request() const {
        SpellExportRequest request;
        for (const auto& occurrence : values_.schools) {
            for (const auto& name : split_at_commas(occurrence))
                request.schools.push_back(static_cast<SpellSchool>(index_of(spell_school_names, name)));
        }
        for (const auto& occurrence : values_.categories) {
            for (const auto& text : split_at_commas(occurrence))
                request.categories.push_back(parse_u32(text, 10).value_or(0));
        }
        for (const auto& occurrence : values_.fields) {
            for (const auto& name : split_at_commas(occurrence)) {
                const auto it = std::find_if(spell_export_fields.begin(), spell_export_fields.end(),
                                             [&](const auto& info) { return info.cli_name == name; });
                if (it != spell_export_fields.end()) request.fields.push_back(it->field);
            }
        }
        request.preset = static_cast<SpellFieldPreset>(index_of(spell_preset_names, values_.preset));
        return request;
    }

    CLI::App app_{"", program_name};
    std::shared_ptr<CLI::Formatter> formatter_ = std::make_shared<CLI::Formatter>();
    std::array<CLI::App*, subcommand_table.size()> subcommands_{};
    CLI::App* help_ = nullptr;
    Values values_;
};

}  // namespace

std::variant<Commands, int> parse_command_line(const std::vector<std::string>& args, std::ostream& out,
                                               std::ostream& err) {
    Declaration declaration;
    return declaration.parse(args, out, err);
}

std::variant<Commands, int> parse_command_line(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    auto result = parse_command_line(args, std::cout, std::cerr);
    std::cout.flush();
    return result;
}

}  // namespace quorvel
