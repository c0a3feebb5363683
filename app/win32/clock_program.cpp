#include "clock_program.h"

#include "system_wave_device.h"

namespace chimora {

ClockProgram::ClockProgram(const HWND& window)
    : waveDevice(makeSystemWaveDevice()), audio(engine, *waveDevice), menuMarks(window),
      notices(window), repaint(window),
      scheduler(engine, settings,
                SchedulerSeams{localTime, directorySearch, fileReader, audio, repaint}),
      commands(engine, settings, scheduler, CommandSeams{profile, menuMarks, notices, reacquire}) {
    audio.initAudioOutput();
}

} // namespace chimora
