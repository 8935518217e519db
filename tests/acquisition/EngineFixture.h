#pragma once
// The acquisition engine against the simulated instrument over a real
// pseudo-terminal: graph on an offscreen image, model, task engine and its
// worker thread, and a sink that records every message. The test thread is
// the window thread: it pumps the sink while it waits.

#include "acquisition/ApparaZQ735.h"
#include "acquisition/PumpedSink.h"
#include "acquisition/ThrTask.h"
#include "acquisition/ZQ735Task.h"
#include "link/SpComm.h"
#include "plot/SpGraph735.h"
#include "surface/SpImage.h"
#include "sim/SimPtyHost.h"
#include "spectra/SpCurveZQ735.h"

#include <QGuiApplication>
#include <QImage>
#include <atomic>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "tests/support/TestTime.h"
struct TRecordedMessage {
    unsigned Msg;
    intptr_t W, L;
};

class TRecordingSink : public TPumpedSink {
public:
    std::vector<TRecordedMessage> Messages;
    std::vector<std::string> Errors;

    int Count(unsigned msg, intptr_t w, intptr_t l) const
    {
        int n = 0;
        for (const auto& m : Messages)
            n += (m.Msg == msg && m.W == w && m.L == l);
        return n;
    }
    int Count(unsigned msg) const
    {
        int n = 0;
        for (const auto& m : Messages)
            n += (m.Msg == msg);
        return n;
    }

protected:
    void OnMessage(unsigned message, intptr_t wParam, intptr_t lParam) override
    {
        Messages.push_back({message, wParam, lParam});
    }
    void OnError(const std::string& text) override { Errors.push_back(text); }
};

QGuiApplication& TestGuiApp();

class EngineTest : public ::testing::Test {
protected:
    static constexpr double SimSpeed = 40.0;

    void SetUp() override { TestGuiApp(); }
    void TearDown() override { StopEngine(); }

    // Starts the simulator and the engine; the worker starts its idle passes.
    void StartEngine(TSimOptions options = {});
    void StopEngine();

    // Runs one command through the worker like the window does and waits for
    // it to end (idle again, or a failure); returns false on time-out.
    bool RunAndWait(const std::function<void()>& request, int timeoutMs = 60000);
    // The command started after message `mark` has ended (idle again, or a
    // failure); LastResult tells how.
    bool Ended(size_t mark);
    // Pumps until pred() holds; false on time-out (a safety limit, WaitLimitMs).
    bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 20000)
    {
        return Sink.PumpUntil(pred, std::chrono::milliseconds(WaitLimitMs(timeoutMs)));
    }
    // Parameters as the window sets them (no apply request).
    void SetScanParams(float from, float to, int speed = 2, int response = 0, int count = 1);

    // Runs on the fresh data folder before the model is built (and reads
    // BK100.dat from it).
    std::function<void(const std::filesystem::path&)> PrepareDataDir;
    // The device the channel opens for the simulator's pseudo-terminal; a
    // test may put a link of its own in between (default: the terminal).
    std::function<std::string(const std::string&)> DeviceFor;
    std::filesystem::path DataDir;
    std::unique_ptr<TSimPtyHost> Sim;
    TRecordingSink Sink;
    QImage Canvas{1000, 600, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TSpComm> Comm;
    std::unique_ptr<TApparaZQ735> Model;
    std::unique_ptr<TZQ735Task> Task;
    std::unique_ptr<TThrTask> Thread;
    int LastResult = 0;
};
