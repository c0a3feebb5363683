// How large a song file may be. Eight event buffers of 2048 bytes use a tiny part of this; the
// bound only keeps a wrong file (a disk image, an endless pipe) from filling memory.
#pragma once

#include <cstddef>

namespace chimora {

// Song files larger than this are not read: the clock skips them, the renderer refuses them.
constexpr std::size_t SONG_FILE_MAX_BYTES = std::size_t{64} * 1024 * 1024;

} // namespace chimora
