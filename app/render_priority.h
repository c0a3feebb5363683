// The two priority levels of the render thread, as the song-file player uses them: normal
// while a song file is split and compiled, time-critical otherwise. The program's audio output
// provides them (audio_output_render_priority.h); the tests record them.
#pragma once

namespace chimora {

class RenderPriority {
public:
    virtual ~RenderPriority() = default;
    virtual void setRenderPriorityNormal() = 0;
    virtual void setRenderPriorityTimeCritical() = 0;
};

} // namespace chimora
