// Command-line parsing with CLI11 for the grammar; the checks and every message are our own, so
// that an author reads plain words rather than the parser's.
#include "render_options.h"

#include "render_messages.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

namespace chimora {

namespace {

struct OptionName {
    const char* name;
    bool takesValue;
    const char* valueHelp; // "needs ..." for options with a value
};

// clang-format off
constexpr OptionName OPTIONS[] = {
    {"-o", true, "-o needs a file name, e.g. -o song.wav, song.flac (or -o - for raw samples)"},
    {"--output", true, "--output needs a file name, e.g. --output song.wav"},
    {"--seconds", true, "--seconds needs a number of seconds, e.g. --seconds 10"},
    {"--gain", true, "--gain needs a gain of 0 or more, e.g. --gain 1.41"},
    {"--chime", true, "--chime needs quarter, half or hour, e.g. --chime hour"},
    {"--loops", true, "--loops needs a number of passes of 1 or more, e.g. --loops 2"},
    {"--fade", true, "--fade needs a number of seconds, e.g. --fade 3"},
    {"--device", true, "--device needs a sound device name, e.g. --device default"},
    {"--watch", false, ""},
    {"--events", false, ""},
    {"--raw-events", false, ""},
    {"--play", false, ""},
    {"--quiet", false, ""},
    {"-q", false, ""},
    {"--strict", false, ""},
    {"--help", false, ""},
    {"-h", false, ""},
    {"--version", false, ""},
};
// clang-format on

const OptionName* findOption(std::string_view name) {
    for (const OptionName& option : OPTIONS) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string unknownOption(std::string_view name) {
    std::string message = "unknown option '" + std::string(name) + "'";
    const OptionName* closest = nullptr;
    std::size_t best = 3; // suggest only names within two edits
    for (const OptionName& option : OPTIONS) {
        const std::size_t distance = editDistance(name, option.name);
        if (distance < best) {
            best = distance;
            closest = &option;
        }
    }
    if (closest != nullptr) message += "; did you mean " + std::string(closest->name) + "?";
    return message + " (chimora-render --help lists the options)";
}

// Finds misspelt options and options left without their value before CLI11 sees them.
std::string checkOptionNames(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.size() < 2 || argument[0] != '-') continue; // a path, or "-"
        const std::string_view name = argument.substr(0, argument.find('='));
        const OptionName* option = findOption(name);
        if (option == nullptr) return unknownOption(name);
        if (!option->takesValue || name.size() != argument.size()) continue;
        if (i + 1 >= argc) return option->valueHelp;
        ++i; // the value, which may itself begin with "-"
    }
    return "";
}

// A decimal number that is finite and not negative; an empty message when it is one.
std::string checkNumber(const std::string& text, const char* help, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    const bool blankFirst = !text.empty() && std::isspace(static_cast<unsigned char>(text[0]));
    if (end == begin || *end != '\0' || blankFirst)
        return std::string(help) + " ('" + text + "' is not a number)";
    if (!std::isfinite(value))
        return std::string(help) + " ('" + text + "' is not a finite number)";
    if (value < 0.0) return std::string(help) + " ('" + text + "' is negative)";
    return "";
}

struct ParsedText {
    std::string seconds;
    std::string gain;
    std::string loops;
    std::string fade;
    bool events = false;
    bool rawEvents = false;
};

// A whole number of passes from 1 to 1,000,000; an empty message when it is one.
std::string checkPasses(const std::string& text, int& value) {
    const bool digits =
        !text.empty() && text.size() <= 7 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    value = digits ? std::stoi(text) : 0;
    if (!digits || value < 1 || value > 1000000) {
        return std::string(findOption("--loops")->valueHelp) + " ('" + text +
               "' is not a whole number from 1 to 1000000)";
    }
    return "";
}

// Which options may not be given together; the first clash found is reported.
std::string checkCombinations(const RenderOptions& options, const ParsedText& text,
                              const CLI::App& app) {
    const bool chime = app.count("--chime") != 0;
    const bool song = app.count("song") != 0;
    const bool output = app.count("-o") != 0;
    const bool eventModes = text.events || text.rawEvents;
    if (text.events && text.rawEvents) return "--events and --raw-events cannot be used together";
    if (song && chime) return "give a song file or --chime, not both";
    if (!song && !chime) return "no song file given; e.g. chimora-render song.mml -o song.wav";
    if (chime && !text.gain.empty()) return "--gain applies to songs; chimes play at gain 2.7";
    if (chime && !text.loops.empty())
        return "--loops applies to songs; the chimes end by themselves";
    if (!text.seconds.empty() && !text.loops.empty()) {
        return "--seconds and --loops both set the length; give one of them";
    }
    if (options.play && output) return "--play and -o cannot be used together";
    if (options.play && !text.fade.empty())
        return "--fade shapes a file; it does not go with --play";
    if (!options.play && options.watch) {
        return "--watch goes with --play, e.g. chimora-render song.mml --play --watch";
    }
    if (options.watch && (chime || options.songPath == "-")) {
        return "--watch needs a song file to watch";
    }
    if (!options.play && app.count("--device") != 0) {
        return "--device goes with --play, e.g. chimora-render song.mml --play --device default";
    }
    if (eventModes && (chime || output || options.play || !text.seconds.empty() ||
                       !text.gain.empty() || !text.loops.empty() || !text.fade.empty())) {
        return std::string(text.events ? "--events" : "--raw-events") +
               " only lists a song's events: leave out --chime, -o, --play, --seconds, --loops, "
               "--fade and --gain";
    }
    if (!eventModes && !options.play && !output) {
        return "no output given; e.g. -o song.wav, -o - for raw samples, or --play";
    }
    return "";
}

constexpr char HELP_EXAMPLES[] = R"(
Examples:
  chimora-render song.mml -o song.wav        render until the song ends (at most 600 s)
  chimora-render song.mml -o song.flac       the same samples, compressed (.ogg: Ogg Vorbis)
  chimora-render song.mml -o - | aplay -f cd raw samples to another program
  chimora-render song.mml --loops 2 --fade 3 -o song.ogg   a looping song twice, faded out
  chimora-render song.mml --seconds 26 --play   hear the part the clock plays before the hour
  chimora-render song.mml --play --watch     play again each time the song is saved
  chimora-render song.mml --events           list each channel's events with their times
  chimora-render --chime hour -o hour.wav    a built-in chime

Warnings about the song (line ends, characters that are no command, a song that never ends)
go to stderr; --quiet hides them, --strict makes them an error. The song language is
described in docs/mml.md, the renderer in docs/render.md.)";

} // namespace

std::optional<int> parseRenderOptions(int argc, char** argv, RenderOptions& options) {
    CLI::App app{"Renders a song file or a built-in chime exactly as the clock plays it.",
                 "chimora-render"};
    ParsedText text;
    app.add_option("song", options.songPath, "Song file: MML lines tagged 0-7 (- reads stdin)");
    app.add_option("--chime", options.chimeName, "Render a built-in chime: quarter, half, hour");
    app.add_option("-o,--output", options.outputPath,
                   "File to write: .wav, .flac or .ogg; - for raw s16le stereo on stdout");
    app.add_option("--seconds", text.seconds,
                   "Length to render; default: until the song ends, at most 600");
    app.add_option("--gain", text.gain, "Master gain of the song (default 1.0)");
    app.add_option("--loops", text.loops,
                   "Until every channel has gone back to its loop point N times");
    app.add_option("--fade", text.fade, "Fade the last S seconds out (files only)");
    app.add_flag("--events", text.events, "List each channel's events for people instead");
    app.add_flag("--raw-events", text.rawEvents, "Print the event buffers as code,arg pairs");
    app.add_flag("--play", options.play, "Play through the sound device instead");
    app.add_flag("--watch", options.watch, "With --play: play again each time the song is saved");
    app.add_option("--device", options.device,
                   "With --play: default, null, or an ALSA device such as hw:1");
    app.add_flag("-q,--quiet", options.quiet, "Print no warnings about the song");
    app.add_flag("--strict", options.strict, "Treat any warning as an error (exit code 1)");
    app.set_version_flag("--version", std::string("chimora-render ") + CHIMORA_VERSION);
    app.footer(HELP_EXAMPLES);
    // CLI11 reads "/name" as an option on Windows, which would refuse a path such as
    // /songs/a.mml; the options are the same dashed ones on every platform.
    app.allow_windows_style_options(false);
    if (const std::string problem = checkOptionNames(argc, argv); !problem.empty()) {
        return reportUsageError(problem);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::cout << "chimora-render " << CHIMORA_VERSION << '\n';
        return 0;
    } catch (const CLI::ExtrasError&) {
        return reportUsageError("only one song file may be given (chimora-render --help)");
    } catch (const CLI::ParseError& error) {
        return reportUsageError(error.what());
    }
    if (const std::string clash = checkCombinations(options, text, app); !clash.empty()) {
        return reportUsageError(clash);
    }
    if (options.chimeName.size() != 0 && options.chimeName != "quarter" &&
        options.chimeName != "half" && options.chimeName != "hour") {
        return reportUsageError("there is no chime '" + options.chimeName +
                                "'; the chimes are quarter, half and hour");
    }
    double value = 0.0;
    if (!text.seconds.empty()) {
        if (auto problem = checkNumber(text.seconds, OPTIONS[2].valueHelp, value);
            !problem.empty()) {
            return reportUsageError(problem);
        }
        options.seconds = value;
    }
    if (!text.gain.empty()) {
        if (auto problem = checkNumber(text.gain, OPTIONS[3].valueHelp, value); !problem.empty()) {
            return reportUsageError(problem);
        }
        options.gain = value;
    }
    if (!text.fade.empty()) {
        if (auto problem = checkNumber(text.fade, findOption("--fade")->valueHelp, value);
            !problem.empty()) {
            return reportUsageError(problem);
        }
        options.fadeSeconds = value;
    }
    if (!text.loops.empty()) {
        int passes = 0;
        if (auto problem = checkPasses(text.loops, passes); !problem.empty()) {
            return reportUsageError(problem);
        }
        options.loops = passes;
    }
    if (!options.chimeName.empty()) options.mode = RenderMode::Chime;
    if (text.events) options.mode = RenderMode::Events;
    if (text.rawEvents) options.mode = RenderMode::RawEvents;
    return std::nullopt;
}

} // namespace chimora
