#pragma once
// Faults the simulated instrument can be told to show, so that the program's
// handling of a misbehaving instrument can be exercised over the real line.
//
// A fault stays in force until it is replaced or cleared ("" or "none"); it
// is picked up when the next command byte arrives, so a command already
// running finishes the way it started.

#include <string>

enum class TSimFaultKind {
    None,
    Silent,       // no answer at all: every byte is swallowed
    WrongEcho,    // the command code comes back altered; the command is dropped
    EchoOnly,     // the code is echoed (arguments are read) and nothing else follows
    ShortTail,    // every tail loses its result byte (D0 D0 only)
    BadTail,      // every tail reads D0 D1 <result>
    Pause,        // ARG ms of silence before the first byte of each reply
    StreamPause,  // ARG ms of silence in the middle of each sample stream (scan, time drive, one point)
    ScanPause,    // ARG ms of silence in the middle of each scan or time-drive stream only
    StepPause,    // ARG ms of silence in the middle of each step stream (motors, grating reset)
    Drop,         // ARG bytes vanish from the middle of each reply or stream
    Garbage,      // stray bytes, a lone result code among them, in the middle of each step stream
    Hangup,       // the next command byte closes the line for good
};

struct TSimFault {
    TSimFaultKind Kind = TSimFaultKind::None;
    int Arg = 0;  // milliseconds for the pauses, a byte count for drop

    // "KIND[:ARG]"; empty or "none" clears. On a bad text returns false with
    // a message and leaves `out` alone.
    static bool Parse(const std::string& text, TSimFault& out, std::string* error = nullptr);
    std::string ToString() const;
    // One line per fault, for --help.
    static const char* Help();
};
