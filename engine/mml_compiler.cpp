// The MML compiler: one left-to-right pass over a channel's text, writing two-byte events into
// the channel's buffer and keeping the stream terminated after every event.
#include "engine.h"

#include <cstring>

namespace chimora {

namespace {

constexpr std::uint8_t TEMPO_WITHOUT_DIGITS = 165; // the tempo a channel starts with

bool isDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

class MmlCompiler {
public:
    MmlCompiler(std::uint8_t* buffer, const std::uint8_t* text) : buffer_(buffer), text_(text) {}

    void run(std::size_t length) {
        // The body runs at least once: an empty text is read as its terminating zero byte.
        do {
            command(text_[pos_]);
            ++pos_;
            if (write_ > LAST_EVENT_SLOT) write_ = LAST_EVENT_SLOT;
        } while (pos_ < length);
    }

private:
    std::uint8_t next() const { return text_[pos_ + 1]; }

    bool consumeIf(std::uint8_t byte) {
        if (next() != byte) return false;
        ++pos_;
        return true;
    }

    // Reads up to `maxDigits` digits after the current byte; false when none follows.
    bool readNumber(int& value, int maxDigits = 2) {
        if (!isDigit(next())) return false;
        value = 0;
        for (int digits = 0; digits < maxDigits && isDigit(next()); ++digits) {
            value = value * 10 + (next() - '0');
            ++pos_;
        }
        return true;
    }

    int numberOr(int fallback) {
        int value = fallback;
        readNumber(value);
        return value;
    }

    void emit(std::uint8_t code, std::uint8_t argument) {
        buffer_[write_ + 1] = argument;
        emitWithoutArgument(code);
    }

    // Writes the code and the terminator after it; the argument byte keeps what it held.
    void emitWithoutArgument(std::uint8_t code) {
        buffer_[write_] = code;
        buffer_[write_ + 2] = EV_STREAM_END;
        write_ += 2;
    }

    void command(std::uint8_t byte);
    void noteOrRest(std::uint8_t byte);
    void tempo();
    void octave();
    void signedValue(std::uint8_t code);
    void tie();
    static int clamp(int value, int low, int high) {
        return value < low ? low : (value > high ? high : value);
    }

    std::uint8_t* buffer_;
    const std::uint8_t* text_;
    std::size_t pos_ = 0;
    int write_ = 0;
    int octaveBase_ = 48;    // octave 4
    int defaultLength_ = 24; // an eighth note
};

void MmlCompiler::command(std::uint8_t byte) {
    // clang-format off
    switch (byte) {
    case 'c': case 'd': case 'e': case 'f': case 'g': case 'a': case 'b': case 'r':
        noteOrRest(byte);
        break;
    case 't': tempo(); break;
    case 'o': octave(); break;
    case '>': octaveBase_ = octaveBase_ + 12 > 84 ? 84 : octaveBase_ + 12; break;
    case '<': octaveBase_ = octaveBase_ - 12 < 0 ? 0 : octaveBase_ - 12; break;
    case 'l': {
        const int value = numberOr(8);
        defaultLength_ = 192 / (value == 0 ? 1 : value);
        break;
    }
    // clang-format on
    case '%': defaultLength_ = numberOr(24); break;
    case 'v': emit(EV_VOLUME, static_cast<std::uint8_t>(clamp(numberOr(13), 0, 15))); break;
    case '(': emit(EV_VOLUME_STEP, 0); break;
    case ')': emit(EV_VOLUME_STEP, 1); break;
    case 'p': emit(EV_PAN, static_cast<std::uint8_t>(clamp(numberOr(8), 1, 15))); break;
    case 'q': {
        std::uint8_t gate = 8;
        if (next() >= '1' && next() <= '9') {
            gate = next() - '0';
            ++pos_;
        }
        emit(EV_GATE, gate);
        break;
    }
    case 'h': emit(EV_ATTACK, static_cast<std::uint8_t>(numberOr(99))); break;
    case 'i': emit(EV_DECAY, static_cast<std::uint8_t>(numberOr(0))); break;
    case 'j': emit(EV_SUSTAIN, static_cast<std::uint8_t>(numberOr(0))); break;
    case 'w': emit(EV_FILTER, static_cast<std::uint8_t>(numberOr(84))); break;
    case '@': emit(EV_INSTRUMENT, static_cast<std::uint8_t>(numberOr(0))); break;
    case 'm': emit(EV_VIBRATO, static_cast<std::uint8_t>(numberOr(0))); break;
    case 'n': emit(EV_VIBRATO_DELAY, static_cast<std::uint8_t>(numberOr(0))); break;
    case 's': signedValue(EV_SWEEP); break;
    case 'D': signedValue(EV_DETUNE); break;
    case '_': signedValue(EV_TRANSPOSE); break;
    case '[': emitWithoutArgument(EV_REPEAT_START); break;
    case ']': emit(EV_REPEAT_END, static_cast<std::uint8_t>(numberOr(2))); break;
    case '/':
    case ':': emitWithoutArgument(EV_REPEAT_BREAK); break;
    case 'L': emit(EV_LOOP_POINT, 0); break;
    case '&': tie(); break;
    case 'x': emitWithoutArgument(EV_END); break;
    default: break; // every other byte is skipped
    }
}

void MmlCompiler::noteOrRest(std::uint8_t letter) {
    static const char semitones[] = "c d ef g a br";
    const int semitone = static_cast<int>(std::strchr(semitones, letter) - semitones);
    std::uint8_t code = letter == 'r' ? 0 : static_cast<std::uint8_t>(octaveBase_ + semitone);
    if (consumeIf('+')) ++code;
    if (consumeIf('-')) --code;
    int length = defaultLength_;
    int value = 0;
    if (readNumber(value)) length = 192 / (value == 0 ? 1 : value);
    // Both dots add halves of the undotted length; the byte keeps the sum modulo 256.
    const int undotted = length;
    if (consumeIf('.')) {
        length += undotted / 2;
        if (consumeIf('.')) length += undotted / 4;
    }
    emit(code, static_cast<std::uint8_t>(length));
}

void MmlCompiler::tempo() {
    int value = 0;
    if (!readNumber(value, 3)) {
        emit(EV_TEMPO, TEMPO_WITHOUT_DIGITS);
        return;
    }
    value %= 256;
    emit(EV_TEMPO, static_cast<std::uint8_t>(value < 15 ? 15 : value));
    if (!consumeIf('.') || !isDigit(next())) return;
    int fraction = (next() - '0') * 10;
    ++pos_;
    if (isDigit(next())) {
        fraction += next() - '0';
        ++pos_;
    }
    emit(EV_TEMPO_FRACTION, static_cast<std::uint8_t>(fraction));
}

void MmlCompiler::octave() {
    // The byte after "o" is always consumed. Bytes 128..255 count as below "0".
    const auto byte = static_cast<std::int8_t>(next());
    ++pos_;
    if (byte < '0') {
        octaveBase_ = 0;
    } else if (byte > '9') {
        octaveBase_ = 108;
    } else {
        octaveBase_ = 12 * (byte - '0');
    }
}

void MmlCompiler::signedValue(std::uint8_t code) {
    bool minus = consumeIf('-');
    if (consumeIf('+')) minus = false;
    int value = 0;
    if (readNumber(value) && minus) value = -value;
    emit(code, static_cast<std::uint8_t>(static_cast<std::int8_t>(value)));
}

void MmlCompiler::tie() {
    if (write_ == 0) return; // nothing written yet to tie
    // The event written last moves one slot on; its old slot takes the tie.
    buffer_[write_] = buffer_[write_ - 2];
    buffer_[write_ + 1] = buffer_[write_ - 1];
    buffer_[write_ - 2] = EV_TIE;
    buffer_[write_ - 1] = 0;
    buffer_[write_ + 2] = EV_STREAM_END;
    write_ += 2;
}

} // namespace

void Engine::compileChannel(int channel, const char* text) {
    if (!isChannelNumber(channel) || channels[channel].active) return;
    MmlCompiler compiler(channels[channel].events, reinterpret_cast<const std::uint8_t*>(text));
    compiler.run(std::strlen(text));
}

} // namespace chimora
