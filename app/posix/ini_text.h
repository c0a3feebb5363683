// The INI text rules the settings rely on, on text in memory: "[section]" lines, "key=value"
// lines and ";" comments; names compare without regard to case; blanks around names and values
// are trimmed and a value in matching quotes loses them. Only the first section of a name counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chimora {

// The key's value in the section, or nothing when the section or the key is missing.
std::optional<std::string> findIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

// The text with the key set to the value. An existing key line is rewritten in place as
// "key=value"; a missing key is added after the last non-blank line of its section and a missing
// section at the end. Every other line keeps its bytes and its line end.
std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

} // namespace chimora
