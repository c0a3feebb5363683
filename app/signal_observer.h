// Hears of every signal the scheduler starts, for a log of what played when (the headless
// program prints one line each). Window thread, called right after the signal has started.
#pragma once

#include "local_time_source.h"

#include <string>

namespace chimora {

enum class SignalKind { quarter, half, hour, melody, random };

struct StartedSignal {
    LocalTime at; // the scheduler's clock when the signal started
    SignalKind kind;
    std::string songName; // bare file name of a song; empty for a chime or a melody with none
};

class SignalObserver {
public:
    virtual ~SignalObserver() = default;
    virtual void signalStarted(const StartedSignal& signal) = 0;
};

} // namespace chimora
