// Which format the renderer writes, chosen by the output file's extension.
#pragma once

#include <optional>
#include <string>

namespace chimora {

enum class OutputFormat {
    Wav,  // .wav, or a name without an extension
    Flac, // .flac: lossless, through libsndfile
    Ogg,  // .ogg: Ogg Vorbis, lossy, through libsndfile
    Raw,  // -o -: the bare samples on standard output
};

// Whether this build can write .flac and .ogg (it was built with libsndfile).
bool compressedFormatsBuiltIn();

// The format for an output path (upper or lower case extension), or nothing with a message
// that names the formats this build writes.
std::optional<OutputFormat> formatForPath(const std::string& path, std::string& error);

} // namespace chimora
