// chimora-render: renders song files and the built-in chimes to WAV files or raw samples.
#include "device_playback.h"
#include "render_command.h"
#include "render_options.h"

int main(int argc, char** argv) {
    chimora::RenderOptions options;
    if (const auto exitCode = chimora::parseRenderOptions(argc, argv, options)) return *exitCode;
    if (options.play) return chimora::playThroughDevice(options);
    return chimora::runRenderCommand(options);
}
