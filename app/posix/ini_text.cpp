// INI text, line by line. Lines end in "\r\n", "\n" or a lone "\r"; each line remembers its own
// end so that a rewrite can leave the file exactly as it was apart from the changed line.
#include "ini_text.h"

#include "ascii_case.h"

#include <cstddef>
#include <vector>

namespace chimora {
namespace {

struct IniLine {
    std::string_view body; // without the line end
    std::string_view end;  // "\r\n", "\n", "\r", or empty on a last line without one
};

enum class LineKind { Blank, Comment, Section, Key, Other };

// A byte-order mark that an editor put before the first line belongs to no line: it must not
// hide the first section, and a rewrite keeps it.
constexpr std::string_view UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

std::string_view byteOrderMarkOf(std::string_view text) {
    return text.starts_with(UTF8_BYTE_ORDER_MARK) ? UTF8_BYTE_ORDER_MARK : std::string_view{};
}

std::vector<IniLine> splitLines(std::string_view text) {
    std::vector<IniLine> lines;
    std::size_t start = byteOrderMarkOf(text).size();
    while (start < text.size()) {
        const std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines.push_back({text.substr(start), {}});
            break;
        }
        const std::size_t endLength = text.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({text.substr(start, stop - start), text.substr(stop, endLength)});
        start = stop + endLength;
    }
    return lines;
}

std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

LineKind kindOf(std::string_view body) {
    const std::string_view trimmed = trimBlanks(body);
    if (trimmed.empty()) return LineKind::Blank;
    if (trimmed.front() == ';') return LineKind::Comment;
    if (trimmed.front() == '[') return LineKind::Section;
    if (trimmed.find('=') != std::string_view::npos) return LineKind::Key;
    return LineKind::Other;
}

// The name between "[" and "]" (or the end of the line when "]" is missing), trimmed.
std::string_view sectionName(std::string_view body) {
    const std::string_view trimmed = trimBlanks(body).substr(1);
    return trimBlanks(trimmed.substr(0, trimmed.find(']')));
}

std::string_view keyName(std::string_view body) {
    return trimBlanks(body.substr(0, body.find('=')));
}

std::string_view keyValue(std::string_view body) {
    std::string_view value = trimBlanks(body.substr(body.find('=') + 1));
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (quoted) value = value.substr(1, value.size() - 2);
    return value;
}

struct SectionSpan {
    std::size_t header;   // index of the "[section]" line
    std::size_t lastLine; // index of its last non-blank line (the header when it has none)
    std::optional<std::size_t> keyLine;
};

std::optional<SectionSpan> findSection(const std::vector<IniLine>& lines, std::string_view section,
                                       std::string_view key) {
    std::size_t index = 0;
    while (index < lines.size() && !(kindOf(lines[index].body) == LineKind::Section &&
                                     sameName(sectionName(lines[index].body), section))) {
        ++index;
    }
    if (index == lines.size()) return std::nullopt;
    SectionSpan span{index, index, std::nullopt};
    for (++index; index < lines.size(); ++index) {
        const LineKind kind = kindOf(lines[index].body);
        if (kind == LineKind::Section) break;
        if (kind != LineKind::Blank) span.lastLine = index;
        if (kind == LineKind::Key && !span.keyLine && sameName(keyName(lines[index].body), key)) {
            span.keyLine = index;
        }
    }
    return span;
}

// New lines take the end of the line they follow, else the file's first line end, else "\n".
std::string_view lineEndFor(const std::vector<IniLine>& lines, std::size_t after) {
    if (after < lines.size() && !lines[after].end.empty()) return lines[after].end;
    for (const IniLine& line : lines) {
        if (!line.end.empty()) return line.end;
    }
    return "\n";
}

std::string joinLines(const std::vector<IniLine>& lines, std::size_t insertAfter,
                      const std::string& inserted) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text.append(lines[i].body);
        if (i == insertAfter && lines[i].end.empty() && !inserted.empty()) {
            text.append(lineEndFor(lines, i));
        } else {
            text.append(lines[i].end);
        }
        if (i == insertAfter) text.append(inserted);
    }
    return text;
}

// The text without its byte-order mark, with the key set to the value.
std::string setValueInLines(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    std::vector<IniLine> lines = splitLines(text);
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    const std::optional<SectionSpan> span = findSection(lines, section, key);
    if (span && span->keyLine) {
        lines[*span->keyLine].body = keyLine;
        return joinLines(lines, lines.size(), {});
    }
    if (span) {
        const std::string_view end = lineEndFor(lines, span->lastLine);
        return joinLines(lines, span->lastLine, keyLine + std::string(end));
    }
    const std::string_view end = lineEndFor(lines, lines.size());
    const std::string added =
        "[" + std::string(section) + "]" + std::string(end) + keyLine + std::string(end);
    if (lines.empty()) return added;
    return joinLines(lines, lines.size() - 1, added);
}

} // namespace

std::optional<std::string> findIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const std::vector<IniLine> lines = splitLines(text);
    const std::optional<SectionSpan> span = findSection(lines, section, key);
    if (!span || !span->keyLine) return std::nullopt;
    return std::string(keyValue(lines[*span->keyLine].body));
}

std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    return std::string(byteOrderMarkOf(text)) + setValueInLines(text, section, key, value);
}

} // namespace chimora
