// chimora-render: renders song files and the built-in chimes to WAV files or raw samples.
#include "render_command.h"
#include "render_options.h"

int main(int argc, char** argv) {
    chimora::RenderOptions options;
    if (const auto exitCode = chimora::parseRenderOptions(argc, argv, options)) return *exitCode;
    return chimora::runRenderCommand(options);
}
