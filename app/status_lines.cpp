#include "status_lines.h"

#include <cstdio>

namespace chimora {
namespace {

const char* kindName(SignalKind kind) {
    switch (kind) {
    case SignalKind::quarter: return "quarter";
    case SignalKind::half: return "half";
    case SignalKind::hour: return "hour";
    case SignalKind::melody: return "melody";
    case SignalKind::random: return "random";
    }
    return "?";
}

bool isSong(SignalKind kind) { return kind == SignalKind::melody || kind == SignalKind::random; }

} // namespace

std::string signalLine(const StartedSignal& signal) {
    char time[24]; // room for any three 16-bit values
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", signal.at.hour, signal.at.minute,
                  signal.at.second);
    std::string line = std::string(time) + " " + kindName(signal.kind);
    if (isSong(signal.kind)) line += " " + (signal.songName.empty() ? "(none)" : signal.songName);
    return line;
}

std::string settingsSummary(const Settings& settings) {
    static constexpr const char* SWITCH_NAMES[SWITCH_COUNT] = {"melody", "hour", "half", "quarter"};
    static constexpr const char* STEP_NAMES[VOLUME_STEP_COUNT] = {"+3db", "0db", "-3db", "-6db"};
    std::string summary;
    for (int i = 0; i < SWITCH_COUNT; ++i) {
        summary += std::string(SWITCH_NAMES[i]) + (settings.featureFlags[i] ? " on, " : " off, ");
    }
    int step = DEFAULT_VOLUME_STEP;
    for (int s = 0; s < VOLUME_STEP_COUNT; ++s) {
        if (settings.melodyGain == volumeStepGains[s]) step = s;
    }
    return summary + "volume " + STEP_NAMES[step];
}

} // namespace chimora
