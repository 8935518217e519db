#pragma once
// A scripted instrument on a pseudo-terminal: a thread runs a list of steps,
// each "expect these bytes from the program, then optionally wait, then
// reply these bytes", and records every mismatch. For byte sequences the
// simulated instrument cannot (or should not) produce.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/PtyPeer.h"

struct TScriptStep {
    TScriptStep(std::vector<uint8_t> expect, int pauseMs, std::vector<uint8_t> reply,
                std::function<void()> gate = {})
        : Expect(std::move(expect)), PauseMs(pauseMs), Reply(std::move(reply)), Gate(std::move(gate))
    {
    }

    std::vector<uint8_t> Expect;  // may be empty: reply without waiting for input
    int PauseMs = 0;              // after the expected bytes (and the gate), before the reply
    std::vector<uint8_t> Reply;
    // Runs after the expected bytes arrived and before the pause, on the
    // script's thread; lets a test hold the reply until the program has
    // reached a given state.
    std::function<void()> Gate;
};

class TScriptedPeer {
public:
    // Each expectation waits at most expectTimeoutMs for the program's bytes;
    // that and Join's time-out are safety limits (WaitLimitMs).
    explicit TScriptedPeer(int expectTimeoutMs = 5000);
    ~TScriptedPeer();
    TScriptedPeer(const TScriptedPeer&) = delete;
    TScriptedPeer& operator=(const TScriptedPeer&) = delete;

    const std::string& DevicePath() const { return FPty.DevicePath(); }
    TPtyPeer& Pty() { return FPty; }

    // Starts running the steps on a thread of its own. One script at a time.
    void Run(std::vector<TScriptStep> steps);
    // Waits for the script to end (false when it is still running after timeoutMs).
    bool Join(int timeoutMs = 30000);
    // Bytes the program sent after the script ended, read for up to timeoutMs.
    std::vector<uint8_t> Extra(int timeoutMs = 100);

    std::vector<std::string> Mismatches() const;
    // "" when the script ran through; else every mismatch, one a line.
    std::string Report() const;

private:
    void Body(std::vector<TScriptStep> steps);
    void Note(std::string text);

    TPtyPeer FPty;
    int FExpectTimeoutMs;
    std::thread FThread;
    std::atomic<bool> FDone{true};
    mutable std::mutex FMutex;
    std::vector<std::string> FMismatches;
};

// "0x05 0xD0 ..." for messages.
std::string HexBytes(const std::vector<uint8_t>& bytes);
