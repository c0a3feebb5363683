// The renderer's command line.
#pragma once

#include <optional>
#include <string>

namespace chimora {

enum class RenderMode {
    Song,   // render a song file
    Chime,  // render a built-in chime
    Events, // print a song file's compiled event buffers
};

struct RenderOptions {
    RenderMode mode = RenderMode::Song;
    std::string songPath;          // Song and Events
    std::string chimeName;         // Chime: "quarter", "half" or "hour"
    std::string outputPath;        // a WAV file, or "-" for raw samples on standard output
    std::optional<double> seconds; // without it a song renders until it ends (at most 600 s)
    double gain = 1.0;             // master gain of a song
    bool play = false;             // --play: through the sound device, not to outputPath
};

// Output path that selects raw samples on standard output.
inline constexpr char STDOUT_PATH[] = "-";

// Reads argv into options. Returns nothing when rendering should go on, or the exit code to end
// with after --help (0) or a usage error (non-zero, reported on stderr).
std::optional<int> parseRenderOptions(int argc, char** argv, RenderOptions& options);

} // namespace chimora
