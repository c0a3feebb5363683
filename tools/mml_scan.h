// Which bytes of a channel's MML text the compiler skips. It follows the compiler's own rules
// for what each command consumes (its sign, accidentals, digits, dots), so that the renderer
// can tell an author which characters did nothing.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace chimora {

struct ScannedByte {
    bool skipped = false;       // no command used this byte
    bool numberMissing = false; // a command letter that could take a number but found none
};

// One entry per byte of the text.
std::vector<ScannedByte> scanMml(std::string_view text);

} // namespace chimora
