// The platform's own wave output: winmm on Windows, ALSA's "default" device on Linux.
// The build picks the implementation.
#pragma once

#include "wave_device.h"

#include <memory>
#include <string>

namespace chimora {

// A closed device for the platform's default output. Window thread.
std::unique_ptr<WaveDevice> makeSystemWaveDevice();

// A closed device that a user named: "null" for the null device (no sound, real-time pace),
// "default" for the platform's default output, on Linux any other ALSA PCM name. Null for a
// name the platform does not know. Window thread.
std::unique_ptr<WaveDevice> makeNamedWaveDevice(const std::string& name);

} // namespace chimora
