// Event buffers as pairs for tools, or decoded for people. The times come from following the
// stream as the sequencer does (repeats, breaks, the loop back), counting each step as the
// voice generator counts it: a step of L samples lasts floor(L) frames, at least one.
#include "event_listing.h"

#include "instrument.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace chimora {

void writeEventListing(const Engine& engine, std::ostream& out) {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const std::uint8_t* events = engine.eventBuffers[channel];
        out << channel << ':';
        for (int offset = 0; offset + 1 < EVENT_BUFFER_BYTES; offset += 2) {
            out << ' ' << int{events[offset]} << ',' << int{events[offset + 1]};
            if (events[offset] == EV_STREAM_END) break;
        }
        out << '\n';
    }
}

namespace {

struct Moment {
    std::uint64_t frames = 0;
    std::uint64_t ticks = 0;
};

// At most this many events are followed per channel: enough for any song that ends, and a
// bound for nested repeats of 99 passes.
constexpr int FOLLOWED_EVENTS_LIMIT = 1000000;

int streamEndOffset(const std::uint8_t* events) {
    for (int offset = 0; offset + 1 < EVENT_BUFFER_BYTES; offset += 2) {
        if (events[offset] == EV_STREAM_END) return offset;
    }
    return EVENT_BUFFER_BYTES - 2;
}

// The first moment the sequencer reads each event slot, following it as the engine does.
std::vector<std::optional<Moment>> firstReadMoments(const std::uint8_t* events, int endOffset) {
    std::vector<std::optional<Moment>> moments(static_cast<std::size_t>(endOffset / 2 + 1));
    Moment now;
    double tempo = 16500; // hundredths of beats per minute, as a channel starts
    int repeatStart[REPEAT_SLOTS] = {};
    int repeatEnd[REPEAT_SLOTS] = {};
    int repeatPass[REPEAT_SLOTS] = {};
    int repeatTimes[REPEAT_SLOTS] = {};
    int depth = 0;
    int loopPoint = 0;
    bool noteStarted = false;
    int position = 0;
    for (int step = 0; step < FOLLOWED_EVENTS_LIMIT; ++step) {
        auto& slot = moments[static_cast<std::size_t>(position / 2)];
        if (!slot) slot = now;
        const std::uint8_t code = events[position];
        const std::uint8_t argument = events[position + 1];
        if (code <= EV_LAST_NOTE) {
            noteStarted = noteStarted || code != EV_REST;
            const double samples = (argument * 1058400000.0) / (tempo * 192.0);
            now.frames += std::max<std::uint64_t>(1, static_cast<std::uint64_t>(samples));
            now.ticks += argument;
        } else if (code == EV_TEMPO) {
            tempo = (argument == 0 ? 15 : argument) * 100.0;
        } else if (code == EV_TEMPO_FRACTION) {
            tempo = std::floor(tempo / 100.0) * 100.0 + argument;
        } else if (code == EV_LOOP_POINT) {
            loopPoint = position;
        } else if (code == EV_REPEAT_START) {
            if (++depth == REPEAT_SLOTS - 1) return moments;
            repeatStart[depth] = position;
            repeatPass[depth] = 0;
            repeatTimes[depth] = 255;
        } else if (code == EV_REPEAT_END) {
            if (depth < 1) return moments;
            if (++repeatPass[depth] >= argument) {
                --depth;
            } else {
                repeatTimes[depth] = argument;
                repeatEnd[depth] = position;
                position = repeatStart[depth];
            }
        } else if (code == EV_REPEAT_BREAK) {
            if (depth >= 1 && repeatPass[depth] == repeatTimes[depth] - 1) {
                position = repeatEnd[depth];
                --depth;
            }
        } else if (code == EV_END) {
            return moments;
        } else if (code == EV_STREAM_END) {
            if (!noteStarted) return moments;
            depth = 0;
            position = loopPoint - 2;
            // Once every event has a time, a second pass adds nothing.
            bool allSeen = true;
            for (const auto& moment : moments) allSeen = allSeen && moment.has_value();
            if (allSeen) return moments;
        }
        position += 2;
    }
    return moments;
}

std::string noteName(std::uint8_t note) {
    static const char* const NAMES[] = {"c",  "c+", "d",  "d+", "e",  "f",
                                        "f+", "g",  "g+", "a",  "a+", "b"};
    return std::string(NAMES[note % 12]) + std::to_string(note / 12);
}

std::string instrumentName(std::uint8_t instrument) {
    static const char* const FAMILIES[] = {"short pulse", "pulse",      "sawtooth",
                                           "triangle",    "long noise", "short noise"};
    const int family = instrumentFamily(instrument);
    return family < FAMILY_SILENT ? FAMILIES[family] : "silent";
}

std::string decode(std::uint8_t code, std::uint8_t argument) {
    const int value = argument;
    const int signedValue = static_cast<std::int8_t>(argument);
    switch (code) {
    case EV_REST: return "rest " + std::to_string(value) + " ticks";
    case EV_TRANSPOSE: return "transpose " + std::to_string(signedValue);
    case EV_VOLUME_STEP: return argument == 1 ? "volume up" : "volume down";
    case EV_FILTER: return "filter " + std::to_string(value);
    case EV_TEMPO_FRACTION:
        return "tempo fraction ." + std::string(value < 10 ? "0" : "") + std::to_string(value);
    case EV_PAN: return "pan " + std::to_string(value);
    case EV_VIBRATO_DELAY: return "vibrato delay " + std::to_string(value);
    case EV_REPEAT_BREAK: return "repeat break";
    case EV_REPEAT_END: return "repeat end, " + std::to_string(value) + " passes";
    case EV_REPEAT_START: return "repeat start";
    case EV_VIBRATO: return "vibrato " + std::to_string(value);
    case EV_SWEEP: return "sweep " + std::to_string(signedValue);
    case EV_INSTRUMENT:
        return "instrument @" + std::to_string(value) + " (" + instrumentName(argument) + ")";
    case EV_DETUNE: return "detune " + std::to_string(signedValue) + " cents";
    case EV_LOOP_POINT: return "loop point";
    case EV_TIE: return "tie";
    case EV_GATE: return "gate " + std::to_string(value) + "/8";
    case EV_SUSTAIN: return "sustain " + std::to_string(value);
    case EV_DECAY: return "decay " + std::to_string(value);
    case EV_ATTACK: return "attack " + std::to_string(value);
    case EV_VOLUME: return "volume " + std::to_string(value);
    case EV_TEMPO: return "tempo " + std::to_string(value);
    case EV_END: return "end (x): the channel stops";
    case EV_STREAM_END:
        return "end of stream: the channel loops back to L, or stops if it "
               "has played no note";
    default: return "note " + noteName(code) + " " + std::to_string(value) + " ticks";
    }
}

std::string timeColumn(const std::optional<Moment>& moment) {
    char text[48];
    if (!moment) {
        std::snprintf(text, sizeof text, "%10s %7s", "-", "-");
    } else {
        std::snprintf(text, sizeof text, "%9.3fs %7llu",
                      static_cast<double>(moment->frames) / SAMPLE_RATE,
                      static_cast<unsigned long long>(moment->ticks));
    }
    return text;
}

} // namespace

void writeReadableEventListing(const Engine& engine, std::ostream& out) {
    out << "channel      time   ticks  event\n";
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const std::uint8_t* events = engine.eventBuffers[channel];
        if (events[0] == EV_END) {
            out << "      " << channel << "                     (empty)\n";
            continue;
        }
        const int endOffset = streamEndOffset(events);
        const auto moments = firstReadMoments(events, endOffset);
        for (int offset = 0; offset <= endOffset; offset += 2) {
            out << "      " << channel << ' '
                << timeColumn(moments[static_cast<std::size_t>(offset / 2)]) << "  "
                << decode(events[offset], events[offset + 1]) << '\n';
            if (events[offset] == EV_END) break;
        }
    }
}

} // namespace chimora
