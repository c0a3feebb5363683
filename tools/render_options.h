// The renderer's command line.
#pragma once

#include <optional>
#include <string>

namespace chimora {

enum class RenderMode {
    Song,      // render a song file
    Chime,     // render a built-in chime
    Events,    // list a song file's compiled events for people
    RawEvents, // print the compiled event buffers as code,argument pairs, for tools
};

struct RenderOptions {
    RenderMode mode = RenderMode::Song;
    std::string songPath;          // Song and the event modes; "-" is standard input
    std::string chimeName;         // Chime: "quarter", "half" or "hour"
    std::string outputPath;        // a WAV file, or "-" for raw samples on standard output
    std::optional<double> seconds; // without it a song renders until it ends (at most 600 s)
    std::optional<int> loops;      // --loops N: until every channel has played through N times
    double fadeSeconds = 0.0;      // --fade S: the last S seconds fade out
    double gain = 1.0;             // master gain of a song
    bool play = false;             // --play: through the sound device, not to outputPath
    bool watch = false;            // --watch: with --play, again after each save of the song
    std::string device;            // --device NAME: the sound device for --play; empty: default
    bool quiet = false;            // --quiet: no warnings about the song
    bool strict = false;           // --strict: any warning ends the run with exit code 1
};

// Output path that selects raw samples on standard output.
inline constexpr char STDOUT_PATH[] = "-";

// Reads argv into options. Returns nothing when rendering should go on, or the exit code to end
// with: 0 after --help or --version, 2 after a usage error (reported on stderr in plain words,
// with a suggestion for a misspelt option).
std::optional<int> parseRenderOptions(int argc, char** argv, RenderOptions& options);

} // namespace chimora
