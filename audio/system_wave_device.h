// The platform's own wave output: winmm on Windows, ALSA's "default" device on Linux.
// The build picks the implementation.
#pragma once

#include "wave_device.h"

#include <memory>

namespace chimora {

// A closed device for the platform's default output. Window thread.
std::unique_ptr<WaveDevice> makeSystemWaveDevice();

} // namespace chimora
