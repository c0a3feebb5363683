// The compiled event buffers of all eight channels as text, one line per channel.
#pragma once

#include "engine.h"

#include <ostream>

namespace chimora {

// Writes "N:" and then " code,arg" for each event from offset 0 up to and including the first
// code 255, never past offset 2046, for channels 0 to 7.
void writeEventListing(const Engine& engine, std::ostream& out);

} // namespace chimora
