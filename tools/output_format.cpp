// The extension decides the format; .flac and .ogg need libsndfile, which a build may lack.
#include "output_format.h"

#include "render_options.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace chimora {

bool compressedFormatsBuiltIn() {
#ifdef CHIMORA_HAVE_SNDFILE
    return true;
#else
    return false;
#endif
}

namespace {

std::string formatsOfThisBuild() {
    return compressedFormatsBuiltIn() ? ".wav, .flac and .ogg, and raw samples with -o -"
                                      : ".wav, and raw samples with -o -";
}

} // namespace

std::optional<OutputFormat> formatForPath(const std::string& path, std::string& error) {
    if (path == STDOUT_PATH) return OutputFormat::Raw;
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension.empty() || extension == ".wav") return OutputFormat::Wav;
    const bool compressed = extension == ".flac" || extension == ".ogg";
    if (compressed && compressedFormatsBuiltIn()) {
        return extension == ".flac" ? OutputFormat::Flac : OutputFormat::Ogg;
    }
    error = "cannot write '" + extension + "' files";
    if (compressed) error += ": this chimora-render was built without libsndfile";
    error += "; its output formats are " + formatsOfThisBuild();
    return std::nullopt;
}

} // namespace chimora
