#include "clock_program.h"

#include "system_wave_device.h"

namespace chimora {

ClockProgram::ClockProgram(const HWND& window)
    : waveDevice(makeSystemWaveDevice()), audio(lockedEngine, *waveDevice), menuMarks(window),
      notices(window), repaint(window),
      scheduler(lockedEngine, settings,
                SchedulerSeams{localTime, directorySearch, fileReader, renderPriority, repaint}),
      commands(lockedEngine, settings, scheduler,
               CommandSeams{profile, menuMarks, notices, reacquire}) {
    audio.initAudioOutput();
}

} // namespace chimora
