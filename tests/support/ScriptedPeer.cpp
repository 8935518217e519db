#include "tests/support/ScriptedPeer.h"

#include <chrono>
#include <cstdio>

#include "tests/support/TestTime.h"

std::string HexBytes(const std::vector<uint8_t>& bytes)
{
    std::string s;
    char buf[8];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s0x%02X", i ? " " : "", bytes[i]);
        s += buf;
    }
    return s.empty() ? "(nothing)" : s;
}

TScriptedPeer::TScriptedPeer(int expectTimeoutMs) : FExpectTimeoutMs(WaitLimitMs(expectTimeoutMs)) {}

TScriptedPeer::~TScriptedPeer()
{
    if (FThread.joinable())
        FThread.join();
}

void TScriptedPeer::Run(std::vector<TScriptStep> steps)
{
    if (FThread.joinable())
        FThread.join();
    FDone.store(false);
    FThread = std::thread(&TScriptedPeer::Body, this, std::move(steps));
}

bool TScriptedPeer::Join(int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitLimitMs(timeoutMs));
    while (!FDone.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!FDone.load())
        return false;
    if (FThread.joinable())
        FThread.join();
    return true;
}

std::vector<uint8_t> TScriptedPeer::Extra(int timeoutMs)
{
    return FPty.Receive(4096, timeoutMs);
}

std::vector<std::string> TScriptedPeer::Mismatches() const
{
    std::lock_guard guard(FMutex);
    return FMismatches;
}

std::string TScriptedPeer::Report() const
{
    std::string s;
    for (const auto& m : Mismatches())
        s += m + "\n";
    return s;
}

void TScriptedPeer::Note(std::string text)
{
    std::lock_guard guard(FMutex);
    FMismatches.push_back(std::move(text));
}

void TScriptedPeer::Body(std::vector<TScriptStep> steps)
{
    for (size_t i = 0; i < steps.size(); ++i) {
        const TScriptStep& step = steps[i];
        if (!step.Expect.empty()) {
            const auto got = FPty.Receive(step.Expect.size(), FExpectTimeoutMs);
            if (got != step.Expect) {
                // The rest of the script would answer out of turn: stop here.
                Note("step " + std::to_string(i) + ": expected " + HexBytes(step.Expect) + ", got " +
                     HexBytes(got));
                break;
            }
        }
        if (step.Gate)
            step.Gate();
        if (step.PauseMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(step.PauseMs));
        if (!step.Reply.empty())
            FPty.Send(step.Reply);
    }
    FDone.store(true);
}
