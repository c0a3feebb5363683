// Whole-file reading and crash-safe replacement of small text files (the settings file).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chimora {

// The file's bytes. A missing file reads as empty text; an entry that cannot be read, or is no
// regular file, gives nothing, so that a caller never mistakes it for an empty one and overwrites
// it.
std::optional<std::string> readTextFile(const std::string& path);

// Writes the contents to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, so the file is always either the old or the new one. Keeps an existing file's mode.
// Returns false, and leaves `path` alone, when any step fails.
bool replaceFileAtomically(const std::string& path, std::string_view contents);

} // namespace chimora
