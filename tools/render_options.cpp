// Command-line parsing with CLI11: which mode, which input and output, and the two numbers.
#include "render_options.h"

#include "render_messages.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace chimora {

namespace {

// Accepts a decimal number that is finite and not negative; the message says what is wrong.
std::string checkNonNegativeNumber(std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    const bool blankFirst = std::isspace(static_cast<unsigned char>(text[0])) != 0;
    if (end == begin || *end != '\0' || blankFirst) return "'" + text + "' is not a number";
    if (!std::isfinite(value)) {
        return "'" + text + "' is not a finite number";
    }
    if (value < 0.0) return "'" + text + "' is negative";
    return "";
}

const CLI::Validator NON_NEGATIVE_NUMBER(checkNonNegativeNumber, "NUMBER>=0", "NonNegative");

void requireModeInputs(const RenderOptions& options, const CLI::Option* song,
                       const CLI::Option* chime, const CLI::Option* output) {
    if (song->count() == 0 && chime->count() == 0) {
        throw CLI::RequiredError("a song file or --chime");
    }
    if (options.mode != RenderMode::Events && !options.play && output->count() == 0) {
        throw CLI::RequiredError("-o");
    }
}

} // namespace

std::optional<int> parseRenderOptions(int argc, char** argv, RenderOptions& options) {
    CLI::App app{"Renders a song file or a built-in chime as the clock plays it.",
                 "chimora-render"};
    double seconds = 0.0;
    bool listEvents = false;
    auto* song = app.add_option("song", options.songPath, "Song file: MML lines tagged 0-7");
    auto* chime = app.add_option("--chime", options.chimeName, "Render a built-in chime")
                      ->check(CLI::IsMember({"quarter", "half", "hour"}));
    auto* output = app.add_option("-o,--output", options.outputPath,
                                  "WAV file to write, or - for raw s16le stereo on stdout");
    auto* length = app.add_option("--seconds", seconds,
                                  "Length to render; default: until the song ends, at most 600")
                       ->check(NON_NEGATIVE_NUMBER);
    auto* gain = app.add_option("--gain", options.gain, "Master gain of the song (default 1.0)")
                     ->check(NON_NEGATIVE_NUMBER);
    auto* events =
        app.add_flag("--events", listEvents, "Print each channel's compiled event buffer instead");
    auto* play = app.add_flag("--play", options.play, "Play through the sound device instead");
    // CLI11 reads "/name" as an option on Windows, which would refuse a path such as
    // /songs/a.mml; the options are the same dashed ones on every platform.
    app.allow_windows_style_options(false);
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return MESSAGE_PREFIX + CLI::FailureMessage::simple(failed, error);
    });
    song->excludes(chime);
    gain->excludes(chime);
    play->excludes(output);
    events->excludes(chime)->excludes(output)->excludes(play)->excludes(length)->excludes(gain);
    try {
        app.parse(argc, argv);
        if (chime->count() != 0) options.mode = RenderMode::Chime;
        if (listEvents) options.mode = RenderMode::Events;
        if (length->count() != 0) options.seconds = seconds;
        requireModeInputs(options, song, chime, output);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    return std::nullopt;
}

} // namespace chimora
