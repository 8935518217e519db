#include "tests/acquisition/EngineFixture.h"

#include <cstdlib>
#include <unistd.h>

QGuiApplication& TestGuiApp()
{
    static int argc = 1;
    static char name[] = "zq735-tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QGuiApplication(argc, argv);
    }();
    return *app;
}

void EngineTest::StartEngine(TSimOptions options)
{
    DataDir = std::filesystem::temp_directory_path() /
              ("zq735-engine-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(DataDir);
    std::filesystem::create_directories(DataDir);
    if (PrepareDataDir)
        PrepareDataDir(DataDir);

    if (options.Speed == 1.0)
        options.Speed = SimSpeed;
    Sim = std::make_unique<TSimPtyHost>(options);
    std::string error;
    ASSERT_TRUE(Sim->Start(&error)) << error;

    Canvas.fill(Qt::white);
    Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
    Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
    Graph->SetStartRanges();
    Comm = std::make_unique<TSpComm>(std::make_unique<TListPortEnumerator>(std::vector<std::string>{}));
    Comm->SetFixedDevice(DeviceFor ? DeviceFor(Sim->DevicePath()) : Sim->DevicePath());
    Model = std::make_unique<TApparaZQ735>(Sink, *Graph, DataDir.string());
    Task = std::make_unique<TZQ735Task>(*Model, *Comm);
    Model->SetTask(Task.get());
    Thread = std::make_unique<TThrTask>(*Task);
    Thread->Resume();
    ASSERT_TRUE(WaitUntil([&] { return Task->IsRunning(); }));
    // Commands find the channel opened by the worker's first idle pass, whose
    // connection check reports a state: a request made before that would meet
    // a closed port.
    ASSERT_TRUE(WaitUntil([&] { return Sink.Count(UM_STATE) > 0; }));
}

void EngineTest::StopEngine()
{
    if (!Task)
        return;
    Task->RequestShutdown();
    Task->Stop();  // a motor or stream still running ends at once
    WaitUntil([&] { return Task->IsFinished(); }, 30000);
    Thread.reset();
    Task.reset();
    Model.reset();
    Comm.reset();
    Graph.reset();
    Surface.reset();
    Sim.reset();
    std::filesystem::remove_all(DataDir);
}

bool EngineTest::RunAndWait(const std::function<void()>& request, int timeoutMs)
{
    const size_t before = Sink.Messages.size();
    request();
    return WaitUntil([&] { return Ended(before); }, timeoutMs);
}

bool EngineTest::Ended(size_t mark)
{
    bool started = false;
    for (size_t i = mark; i < Sink.Messages.size(); ++i) {
        const TRecordedMessage& m = Sink.Messages[i];
        started = started || (m.Msg == UM_BUSY && m.L == 0);
        if (started && m.Msg == UM_BUSY && m.L == 1) {
            LastResult = 0;
            return true;
        }
        if (started && m.Msg == UM_TASK_FAILED) {
            LastResult = static_cast<int>(m.L);
            return true;
        }
    }
    return false;
}

void EngineTest::SetScanParams(float from, float to, int speed, int response, int count)
{
    TMeasureParams p = Model->CurrentParams();
    p.XStart = from;
    p.XEnd = to;
    p.Speed = static_cast<uint8_t>(speed);
    p.Response = static_cast<uint8_t>(response);
    p.ScanCount = count;
    Model->SetParams(p);
}
