#pragma once
// The instrument's side of the link for the command-set fuzz target: the
// serial port (TCommPort) and the stopwatch's pause (FTime::DelayMs) are replaced, at
// link time, by MemoryPort.cpp. The port answers from a reply held in memory
// and every wait returns at once, so that a silent or slow "instrument" costs
// the polls' bookkeeping only, never their milliseconds.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

// The instrument's reply for the next command. `chunk` > 0 lets that many
// more bytes arrive at each wait of the program (0: all at once), so that
// reads also meet streams that are there only in part.
void SetReply(const uint8_t* data, size_t size, size_t chunk);
// What the program wrote since the last SetReply.
const std::vector<uint8_t>& Written();

}  // namespace fuzz
