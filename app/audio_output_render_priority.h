// The song-file player's view of the program's render thread: its two priority levels.
#pragma once

#include "audio_output.h"
#include "render_priority.h"

namespace chimora {

class AudioOutputRenderPriority final : public RenderPriority {
public:
    explicit AudioOutputRenderPriority(AudioOutput& output) : output_(output) {}
    void setRenderPriorityNormal() override { output_.setRenderPriorityNormal(); }
    void setRenderPriorityTimeCritical() override { output_.setRenderPriorityTimeCritical(); }

private:
    AudioOutput& output_;
};

} // namespace chimora
