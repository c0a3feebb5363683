// Carries out a parsed command line: loads the input, renders or lists it, reports failures.
#pragma once

#include "render_options.h"

namespace chimora {

// Returns the process exit code; every failure is reported on stderr.
int runRenderCommand(const RenderOptions& options);

} // namespace chimora
