// The "extract" subcommand: textures holding JPEG streams become .jpg, sounds become RIFF WAVE, the rest raw .bin.
#include <cstring>
#include <limits>

#include <fmt/format.h>

#include "quorvel/common/byte_cursor.hpp"
#include "quorvel/tools/commands.hpp"
#include "quorvel/tools/file_io.hpp"
#include "quorvel/tools/parse_id.hpp"
#include "quorvel/tools/provider.hpp"
#include "quorvel/tools/quote_path.hpp"

namespace quorvel {

namespace {

constexpr std::uint8_t texture_prefix = 0x06;
constexpr std::uint8_t sound_prefix = 0x0A;
constexpr std::uint8_t model_prefix = 0x01;
constexpr std::uint32_t jpeg_format = 500;
constexpr std::size_t texture_header_size = 24;
constexpr std::size_t texture_format_end = 20;
constexpr std::size_t sound_format_begin = 12;
constexpr std::size_t sound_format_size = 16;
constexpr std::size_t sound_samples_begin = 30;

std::filesystem::path output_path(const ExtractCommand& command, std::uint32_t id, std::string_view extension) {
    return command.output ? *command.output : std::filesystem::path(fmt::format("{:08X}.{}", id, extension));
}

// The sound's 16-byte format block becomes the "fmt " chunk; its samples the "data" chunk.
std::vector<std::uint8_t> build_wave(std::span<const std::uint8_t> sound) {
    const auto samples = sound.subspan(sound_samples_begin);
    std::vector<std::uint8_t> wave(44 + samples.size());
    auto put_tag = [&](std::size_t at, const char (&tag)[5]) { std::memcpy(wave.data() + at, tag, 4); };
    put_tag(0, "RIFF");
    store_le<std::uint32_t>(wave.data() + 4, static_cast<std::uint32_t>(sound.size() + 6));
    put_tag(8, "WAVE");
    put_tag(12, "fmt ");
    store_le<std::uint32_t>(wave.data() + 16, 16);
    std::memcpy(wave.data() + 20, sound.data() + sound_format_begin, sound_format_size);
    put_tag(36, "data");
    store_le<std::uint32_t>(wave.data() + 40, static_cast<std::uint32_t>(samples.size()));
    std::memcpy(wave.data() + 44, samples.data(), samples.size());
    return wave;
}

Result<> extract_texture(const ExtractCommand& command, std::uint32_t id, std::span<const std::uint8_t> data, Output& out) {
    if (data.size() < texture_format_end)
        return std::unexpected(Error(fmt::format("Texture {:08X} is too short to hold its format ({} bytes)", id, data.size())));
    const auto format = load_le<std::uint32_t>(data.data() + 16);
    if (format != jpeg_format) {
        out.print("Texture {:08X} is not a JPEG (Format {}), exporting as .bin\n", id, format);
        return write_whole_file(output_path(command, id, "bin"), data);
    }
    if (data.size() < texture_header_size)
        return std::unexpected(Error(fmt::format("JPEG texture {:08X} is too short to hold its header ({} bytes)", id, data.size())));
    const auto path = output_path(command, id, "jpg");
    if (auto written = write_whole_file(path, data.subspan(texture_header_size)); !written) return written;
    out.print("Extracted JPEG texture {:08X} to {}\n", id, quote_path(path));
    return {};
}

Result<> extract_sound(const ExtractCommand& command, std::uint32_t id, std::span<const std::uint8_t> data, Output& out) {
    if (data.size() < sound_samples_begin)
        return std::unexpected(Error(fmt::format("Sound {:08X} is too short to hold its format block ({} bytes)", id, data.size())));
    // The RIFF size field, n + 6, must fit in 32 bits.
    if (data.size() > std::numeric_limits<std::uint32_t>::max() - 6)
        return std::unexpected(Error(fmt::format("Sound {:08X} is too long for a WAVE file ({} bytes)", id, data.size())));
    const auto path = output_path(command, id, "wav");
    if (auto written = write_whole_file(path, build_wave(data)); !written) return written;
    out.print("Extracted WAV audio {:08X} to {}\n", id, quote_path(path));
    return {};
}

}  // namespace

Result<> run_extract(const ExtractCommand& command, Output& out) {
    auto provider = Provider::open(command.path);
    if (!provider) return std::unexpected(std::move(provider.error()));
    auto id = parse_id_auto(command.id);
    if (!id) return std::unexpected(std::move(id.error()));
    auto data = provider->get_file_in_namespace(command.namespace_label, *id);
    if (!data) return std::unexpected(Error(data.error()));

    const auto prefix = static_cast<std::uint8_t>(*id >> 24);
    switch (prefix) {
        case texture_prefix: return extract_texture(command, *id, *data, out);
        case sound_prefix: return extract_sound(command, *id, *data, out);
        case model_prefix:
            out.print("Model {:08X} (GraphicsObject) exported as .bin (custom client format)\n", *id);
            return write_whole_file(output_path(command, *id, "bin"), *data);
        default:
            out.print("No extraction specialist for type {:02X}, exporting raw .bin\n", prefix);
            return write_whole_file(output_path(command, *id, "bin"), *data);
    }
}

}  // namespace quorvel
