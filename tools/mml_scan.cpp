// A walk over MML text with the compiler's consumption rules, recording instead of emitting.
#include "mml_scan.h"

namespace chimora {

namespace {

bool isDigit(char byte) { return byte >= '0' && byte <= '9'; }

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text), bytes_(text.size()) {}

    std::vector<ScannedByte> run() {
        for (pos_ = 0; pos_ < text_.size(); ++pos_) command(text_[pos_]);
        return bytes_;
    }

private:
    char next() const { return pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0'; }
    bool consumeIf(char byte) {
        if (next() != byte || byte == '\0') return false;
        ++pos_;
        return true;
    }
    bool number(std::size_t maxDigits = 2) {
        std::size_t digits = 0;
        while (digits < maxDigits && isDigit(next())) {
            ++pos_;
            ++digits;
        }
        return digits != 0;
    }
    void numbered(std::size_t maxDigits = 2) {
        const std::size_t letter = pos_;
        if (!number(maxDigits)) bytes_[letter].numberMissing = true;
    }
    void command(char byte);

    std::string_view text_;
    std::vector<ScannedByte> bytes_;
    std::size_t pos_ = 0;
};

void Scanner::command(char byte) {
    // clang-format off
    switch (byte) {
    case 'c': case 'd': case 'e': case 'f': case 'g': case 'a': case 'b': case 'r':
        consumeIf('+');
        consumeIf('-');
        number();
        if (consumeIf('.')) consumeIf('.');
        break;
    case 't': {
        const std::size_t letter = pos_;
        if (!number(3)) {
            bytes_[letter].numberMissing = true;
            break;
        }
        if (consumeIf('.')) number();
        break;
    }
    case 'o':
        if (pos_ + 1 < text_.size()) ++pos_;
        break;
    case 'l': case '%': case 'v': case 'p': case 'h': case 'i': case 'j': case 'w': case '@':
    case 'm': case 'n': case ']':
        numbered();
        break;
    case 'q':
        if (next() >= '1' && next() <= '9') {
            ++pos_;
        } else {
            bytes_[pos_].numberMissing = true;
        }
        break;
    case 's': case 'D': case '_':
        consumeIf('-');
        consumeIf('+');
        numbered();
        break;
    case '>': case '<': case '(': case ')': case '[': case '/': case ':': case 'L': case '&':
    case 'x':
        break;
    default:
        bytes_[pos_].skipped = true;
        break;
    }
    // clang-format on
}

} // namespace

std::vector<ScannedByte> scanMml(std::string_view text) { return Scanner(text).run(); }

} // namespace chimora
