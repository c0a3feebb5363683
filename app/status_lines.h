// The one-line reports of a program without a window: what the settings file chose, and each
// signal as it starts.
#pragma once

#include "settings.h"
#include "signal_observer.h"

#include <string>

namespace chimora {

// "HH:MM:SS kind", and for a melody or random song a space and the file's name, or "(none)"
// for a melody that found no song file; for example "13:59:30 melody 13b.mml".
std::string signalLine(const StartedSignal& signal);

// The four switches and the volume step as the menu names them, for example
// "melody on, hour on, half off, quarter on, volume 0db".
std::string settingsSummary(const Settings& settings);

} // namespace chimora
