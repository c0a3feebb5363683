// The checks behind the warnings: the text line by line as an editor shows it, then the
// compiled channels and a silent render of the first 26 seconds.
#include "song_warnings.h"

#include "block_render.h"
#include "engine.h"
#include "mml_scan.h"
#include "song_start.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

namespace chimora {

namespace {

// The melody before the hour starts at second 30 and is stopped at second 56.
constexpr double MELODY_SECONDS = 26.0;

struct AuthorLine {
    std::size_t number = 0;
    std::string_view text; // without its line end
    bool endsWithLineFeedAlone = false;
    bool hasLoneCarriageReturn = false;
};

std::vector<AuthorLine> splitAuthorLines(std::string_view song) {
    std::vector<AuthorLine> lines;
    std::size_t start = 0;
    while (start < song.size()) {
        const std::size_t feed = song.find('\n', start);
        const std::size_t end = feed == std::string_view::npos ? song.size() : feed;
        AuthorLine line;
        line.number = lines.size() + 1;
        line.text = song.substr(start, end - start);
        if (feed != std::string_view::npos) {
            line.endsWithLineFeedAlone = line.text.empty() || line.text.back() != '\r';
            if (!line.endsWithLineFeedAlone) line.text.remove_suffix(1);
        }
        line.hasLoneCarriageReturn = line.text.find('\r') != std::string_view::npos;
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool isChannelDigit(char byte) { return byte >= '0' && byte <= '7'; }
bool isBlank(char byte) { return byte == ' ' || byte == '\t'; }

class Checker {
public:
    explicit Checker(std::vector<SongWarning>& warnings) : warnings_(warnings) {}

    void add(std::size_t line, std::string text) { warnings_.push_back({line, std::move(text)}); }

    void lineEnds(const std::vector<AuthorLine>& lines) {
        for (const AuthorLine& line : lines) {
            if (line.endsWithLineFeedAlone) {
                add(line.number, "the line ends with LF alone; the clock ends lines only at CR LF, "
                                 "so it reads this line and the next as one. Convert the file "
                                 "with: sed -i 's/\\r*$/\\r/' FILE");
                return;
            }
            if (line.hasLoneCarriageReturn) {
                add(line.number, "a CR without LF: the clock skips the byte after every CR, so "
                                 "the next line loses its first character");
                return;
            }
        }
    }

    void lineStart(const AuthorLine& line) {
        const std::string_view text = line.text;
        if (text.empty()) return;
        if (text[0] == '8' || text[0] == '9') {
            add(line.number, std::string("there is no channel ") + text[0] +
                                 " (channels are 0 to 7); the clock reads the line as a comment");
        } else if (isBlank(text[0])) {
            const std::size_t first = text.find_first_not_of(" \t");
            if (first != std::string_view::npos && isChannelDigit(text[first])) {
                add(line.number, "the line starts with a blank, so the clock reads it as a "
                                 "comment; remove the blank to play it on channel " +
                                     std::string(1, text[first]));
            }
        }
    }

    void channelText(const AuthorLine& line) {
        const std::string_view mml = line.text.substr(1);
        const std::vector<ScannedByte> scanned = scanMml(mml);
        bool reportedUnknown = false;
        bool reportedBlank = false;
        bool reportedDigit = false;
        bool reportedHighByte = false;
        for (std::size_t i = 0; i < mml.size(); ++i) {
            if (!scanned[i].skipped) continue;
            const auto byte = static_cast<unsigned char>(mml[i]);
            const std::string where = "column " + std::to_string(i + 2) + ": ";
            if (byte >= 128) {
                if (!reportedHighByte) {
                    add(line.number, where + "a byte above 127 (non-ASCII text) in a channel line "
                                             "is read byte by byte and may act as a command; "
                                             "put text in comment lines");
                }
                reportedHighByte = true;
            } else if (byte >= '0' && byte <= '9') {
                // A run of digits is judged by what stands before the run.
                std::size_t back = i;
                while (back > 0 && scanned[back - 1].skipped && mml[back - 1] >= '0' &&
                       mml[back - 1] <= '9') {
                    --back;
                }
                const std::size_t digits = back;
                while (back > 0 && isBlank(mml[back - 1])) --back;
                const bool afterBlank =
                    back < digits && back > 0 && scanned[back - 1].numberMissing;
                const bool afterUnknown = back == digits && back > 0 && scanned[back - 1].skipped;
                if (afterBlank && !reportedBlank) {
                    add(line.number, where + "a blank between '" + std::string(1, mml[back - 1]) +
                                         "' and its number: the command takes its default and "
                                         "the number is skipped; write them together");
                    reportedBlank = true;
                } else if (!afterBlank && !afterUnknown && !reportedDigit && digits == i) {
                    add(line.number, where + "the digit '" + std::string(1, mml[i]) +
                                         "' is skipped: the command before it takes no number or "
                                         "has read its number (two digits at most, three after t)");
                    reportedDigit = true;
                }
            } else if (byte > ' ' && byte < 127 && !reportedUnknown) {
                add(line.number, where + unknownCharacter(mml[i]));
                reportedUnknown = true;
            }
        }
    }

private:
    static std::string unknownCharacter(char byte) {
        const std::string quoted = "'" + std::string(1, byte) + "'";
        if (byte >= 'A' && byte <= 'Z') {
            return quoted + " is no command and is skipped: commands are lower case (only L, "
                            "the loop point, and D, the detune, are upper case)";
        }
        if (byte == '+' || byte == '-' || byte == '.') {
            return quoted + " is skipped: accidentals and dots follow the note letter in the "
                            "order letter, +, -, length, dots (c+4.)";
        }
        return quoted + " is no command and is skipped";
    }

    std::vector<SongWarning>& warnings_;
};

struct ChannelFacts {
    std::size_t firstLine = 0; // 0 when no line gives the channel text
    bool hasText = false;
    bool hasNote = false;
    bool hasEnd = false;
};

// Channel text as the clock splits the file: lines end at CR, and the byte after it is
// skipped. Each channel's first line is named as an editor counts lines.
std::array<ChannelFacts, CHANNEL_COUNT> channelFacts(std::string_view song, const Engine& engine) {
    std::array<ChannelFacts, CHANNEL_COUNT> facts{};
    std::size_t start = 0;
    while (start < song.size()) {
        const std::size_t cr = song.find('\r', start);
        const std::size_t end = cr == std::string_view::npos ? song.size() : cr;
        if (isChannelDigit(song[start])) {
            ChannelFacts& channel = facts[static_cast<std::size_t>(song[start] - '0')];
            if (channel.firstLine == 0) {
                channel.firstLine =
                    1 + static_cast<std::size_t>(std::count(
                            song.begin(), song.begin() + static_cast<std::ptrdiff_t>(start), '\n'));
            }
            const std::string_view text = song.substr(start + 1, end - start - 1);
            if (text.find_first_not_of(" \t\n") != std::string_view::npos) channel.hasText = true;
        }
        if (end >= song.size()) break;
        start = end + 2;
    }
    for (std::size_t channel = 0; channel < facts.size(); ++channel) {
        const std::uint8_t* events = engine.eventBuffers[channel];
        for (int offset = 0; offset + 1 < EVENT_BUFFER_BYTES; offset += 2) {
            const std::uint8_t code = events[offset];
            if (code == EV_STREAM_END) break;
            if (code >= 1 && code <= EV_LAST_NOTE) facts[channel].hasNote = true;
            if (code == EV_END) {
                facts[channel].hasEnd = true;
                break;
            }
        }
    }
    return facts;
}

class NullSink final : public BlockSink {
public:
    bool writeBlock(const std::int16_t*, int) override { return true; }
    bool finish() override { return true; }
    std::string failure() const override { return ""; }
};

void compiledChecks(const std::vector<std::uint8_t>& song, Checker& checker) {
    const auto engine = std::make_unique<Engine>();
    startSongFile(*engine, song, 1.0);
    const auto facts = channelFacts(
        std::string_view(reinterpret_cast<const char*>(song.data()), song.size()), *engine);
    bool anyNote = false;
    bool endless = false;
    for (std::size_t channel = 0; channel < facts.size(); ++channel) {
        const ChannelFacts& fact = facts[channel];
        anyNote = anyNote || fact.hasNote;
        const std::string name = "channel " + std::to_string(channel);
        if (fact.hasText && !fact.hasNote) {
            checker.add(fact.firstLine, name + " has text but no note; it stays silent");
        }
        if (fact.hasNote && !fact.hasEnd) {
            checker.add(fact.firstLine, name + " has no x, so it never ends: it loops from L (or "
                                               "from its start) until the clock stops it");
            endless = true;
        }
    }
    if (!anyNote) {
        checker.add(0, "the song has no note on any channel: it makes no sound");
        return;
    }
    if (endless) return;
    NullSink sink;
    const auto blocks = static_cast<std::uint64_t>(blocksCovering(MELODY_SECONDS));
    if (renderBlocks(*engine, sink, blocks, true).stoppedAtLimit) {
        checker.add(0, "the song still plays 26 seconds after its start; before the hour the "
                       "clock cuts it off there (second 56)");
    }
}

} // namespace

std::vector<SongWarning> findSongWarnings(const std::vector<std::uint8_t>& song) {
    std::vector<SongWarning> warnings;
    Checker checker(warnings);
    std::string_view text(reinterpret_cast<const char*>(song.data()), song.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        checker.add(1, "the file starts with a byte-order mark, so the clock reads line 1 as a "
                       "comment; save the file without it");
    }
    const std::vector<AuthorLine> lines = splitAuthorLines(text);
    checker.lineEnds(lines);
    for (const AuthorLine& line : lines) {
        checker.lineStart(line);
        if (!line.text.empty() && isChannelDigit(line.text[0])) checker.channelText(line);
    }
    compiledChecks(song, checker);
    return warnings;
}

} // namespace chimora
