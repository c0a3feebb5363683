// The two priority levels of the render thread, as the song-file player uses them: normal
// while a song file is split and compiled, time-critical otherwise.
#pragma once

namespace chimora {

class RenderPriority {
public:
    virtual ~RenderPriority() = default;
    virtual void setRenderPriorityNormal() = 0;
    virtual void setRenderPriorityTimeCritical() = 0;
};

} // namespace chimora
