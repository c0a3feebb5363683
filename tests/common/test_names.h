// Names for the cases of parameterised tests, made from the case's own text: stable from build
// to build, valid as gtest names (letters, digits and "_"), and readable in ctest -R patterns
// and failure reports.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace chimora::testing {

// Letters and digits stand as they are; the punctuation that MML and INI text use becomes a
// word; any other byte becomes "x" and its two hex digits. Words are set apart by "_".
inline std::string testNameFromText(std::string_view text) {
    struct Word {
        char byte;
        const char* word;
    };
    static constexpr Word words[] = {
        {'+', "Plus"},  {'-', "Minus"}, {'.', "Dot"},   {'&', "Tie"},    {'[', "Open"},
        {']', "Close"}, {'/', "Slash"}, {':', "Colon"}, {' ', "Sp"},     {'<', "Down"},
        {'>', "Up"},    {'@', "At"},    {'%', "Ticks"}, {'(', "LParen"}, {')', "RParen"},
        {'=', "Eq"},    {'_', "Under"}, {'"', "Quote"}, {'\'', "Apos"},  {';', "Semi"},
        {'\r', "CR"},   {'\n', "LF"},   {'\t', "Tab"},  {'*', "Star"},   {',', "Comma"},
    };
    std::string name;
    const auto appendWord = [&name](const std::string& word) {
        if (!name.empty() && name.back() != '_') name += '_';
        name += word;
        name += '_';
    };
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= 'a' && byte <= 'z')) {
            name += c;
            continue;
        }
        std::string word;
        for (const Word& known : words) {
            if (known.byte == c) word = known.word;
        }
        if (word.empty()) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "x%02X", byte);
            word = hex;
        }
        appendWord(word);
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name.empty() ? "Empty" : name;
}

// A signed number as a name part: "Minus1" for -1.
inline std::string testNameFromNumber(long long number) {
    return number < 0 ? "Minus" + std::to_string(-number) : std::to_string(number);
}

} // namespace chimora::testing
