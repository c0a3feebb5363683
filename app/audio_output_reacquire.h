// The re-acquire command's view of the program's audio output.
#pragma once

#include "audio_output.h"
#include "clock_commands.h"

namespace chimora {

class AudioOutputReacquire final : public AudioReacquire {
public:
    explicit AudioOutputReacquire(AudioOutput& output) : output_(output) {}
    // Blocks the window thread for the re-acquire pause (a second) and the device's reopening.
    void reacquireAudio() override { output_.reacquireAudio(); }

private:
    AudioOutput& output_;
};

} // namespace chimora
