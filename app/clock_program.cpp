// Start-up and shut-down in the order the parts depend on each other: the sound output before
// anything can start a channel, and after the window is gone the channel texts, then the
// render thread, the device and the engine.
#include "clock_program.h"

#include "system_wave_device.h"

namespace chimora {
namespace {

std::unique_ptr<WaveDevice> systemDeviceUnlessGiven(std::unique_ptr<WaveDevice> device) {
    return device ? std::move(device) : makeSystemWaveDevice();
}

} // namespace

ClockProgram::ClockProgram(ProgramSeams seams, std::unique_ptr<WaveDevice> device)
    : device_(systemDeviceUnlessGiven(std::move(device))), output_(lockedEngine_, *device_),
      reacquire_(output_),
      scheduler_(lockedEngine_, settings_,
                 {seams.localTime, directorySearch_, fileReader_, renderPriority_, seams.repaint}),
      commands_(lockedEngine_, settings_, scheduler_,
                {profile_, seams.menu, seams.messages, reacquire_}) {
    output_.initAudioOutput();
    lockedEngine_.makeAllTextsEmpty();
}

ClockProgram::~ClockProgram() {
    lockedEngine_.releaseAllTexts();
    output_.shutdownAudioOutput();
}

std::string ClockProgram::soundDeviceProblem() const { return output_.deviceProblem(); }

} // namespace chimora
