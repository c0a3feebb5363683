// The compiled event buffers of all eight channels as text.
#pragma once

#include "engine.h"

#include <ostream>

namespace chimora {

// Writes "N:" and then " code,arg" for each event from offset 0 up to and including the first
// code 255, never past offset 2046, for channels 0 to 7: one line per channel, for tools.
void writeEventListing(const Engine& engine, std::ostream& out);

// For people: per channel, one line per event up to the end of its stream, with the time at
// which the channel first reaches it (seconds and ticks from the start) and the event decoded.
// An event the channel never reaches shows "-" for its time. Takes a loaded, unstarted or
// just started engine; reads only the event buffers.
void writeReadableEventListing(const Engine& engine, std::ostream& out);

} // namespace chimora
