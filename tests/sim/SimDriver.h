#pragma once
// Drives a TSimInstrument on a fake clock, and reads its streams the way the
// program does.

#include "sim/SimInstrument.h"

#include <cstdint>
#include <vector>

namespace simtest {

class TDriver {
public:
    explicit TDriver(TSimOptions options = {}) : M(options) {}

    void Send(const std::vector<uint8_t>& bytes) { M.Feed(bytes, TSimTime(T)); }
    // Moves the clock on and returns what arrived meanwhile.
    std::vector<uint8_t> Advance(double seconds)
    {
        T += seconds;
        return M.Read(TSimTime(T));
    }
    // Runs the clock in small steps until the machine has nothing left to do.
    std::vector<uint8_t> Drain(double limitSeconds = 600)
    {
        std::vector<uint8_t> all;
        const double end = T + limitSeconds;
        do {
            const auto got = Advance(0.01);
            all.insert(all.end(), got.begin(), got.end());
        } while (!M.Idle() && T < end);
        return all;
    }
    std::vector<uint8_t> Exchange(const std::vector<uint8_t>& bytes)
    {
        Send(bytes);
        return Drain();
    }

    TSimInstrument M;
    double T = 0;
};

inline TSimOptions AtSpeed(double speed)
{
    TSimOptions o;
    o.Speed = speed;
    return o;
}

inline std::vector<uint8_t> Dword(uint8_t code, uint32_t v)
{
    return {code, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline std::vector<uint8_t> Word(uint8_t code, uint16_t v) { return {code, uint8_t(v), uint8_t(v >> 8)}; }

// A step stream read as the program reads it.
struct TStepStream {
    long long Steps = 0;
    int Result = -1;      // -1: never ended
    bool Misplaced = false;  // a result byte without two markers before it
    size_t Used = 0;      // bytes up to and including the result
};

inline TStepStream ReadSteps(const std::vector<uint8_t>& b, size_t from)
{
    TStepStream s;
    int markers = 0;
    for (size_t i = from; i < b.size(); ++i) {
        const uint8_t v = b[i];
        if (v == 0xD0) {
            markers = std::min(markers + 1, 2);
        } else if (v >= 0xD1 && v <= 0xD3) {
            s.Used = i + 1 - from;
            if (markers == 2)
                s.Result = v;
            else
                s.Misplaced = true;
            return s;
        } else {
            s.Steps += v;
            markers = 0;
        }
    }
    s.Used = b.size() - from;
    return s;
}

// A sample stream: words up to the end marker, the result byte after it.
struct TSampleStream {
    std::vector<uint16_t> Words;
    int Result = -1;
    bool Ended = false;
    size_t Trailing = 0;  // bytes after the result byte
};

inline TSampleStream ReadSamples(const std::vector<uint8_t>& b, size_t from)
{
    TSampleStream s;
    size_t i = from;
    for (; i + 1 < b.size(); i += 2) {
        if (b[i] == 0xD0 && b[i + 1] == 0xD0) {
            s.Ended = true;
            i += 2;
            break;
        }
        s.Words.push_back(static_cast<uint16_t>(b[i] | (b[i + 1] << 8)));
    }
    if (s.Ended && i < b.size()) {
        s.Result = b[i];
        s.Trailing = b.size() - i - 1;
    }
    return s;
}

}  // namespace simtest
