// A scan cut short by a crash comes back at the next start: the window asks
// "发现未完成的扫描数据，是否恢复？" and, answered yes, shows the points
// as a curve with the scan's record; answered no, or once the spectrum is
// saved, the recovery file is gone. The last test kills the real program
// in the middle of a scan and starts the window again on its data folder.

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "MainWindowFixture.h"
#include "acquisition/ScanRecovery.h"
#include "text/GbkText.h"

extern char** environ;

namespace {

std::vector<uint8_t> ReadBytes(const std::string& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class ScanRecoveryWindow : public MainWindowFixture {
protected:
    std::string RecoveryFile() const { return Path(QString::fromLatin1(kRecoveryFileName)).toStdString(); }

    // Starts the window (its worker idle) and answers the recovery question.
    void StartAnswering(QMessageBox::StandardButton answer, TBoxSeen& seen)
    {
        TModalScript script({OnModal<QMessageBox>([&seen, answer](QMessageBox* box) {
            ++seen.Count;
            seen.Title = box->windowTitle();
            seen.Text = box->text();
            seen.Icon = box->icon();
            box->done(answer);
        })});
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
        ASSERT_TRUE(PumpUntil([&] { return script.Done(); }));
        Pump(20);
    }
};

TScanRecovery SyntheticScan(int points)
{
    TCurveInfo tmpl = ZeroCurveInfo();
    TSpCurveZQ735 curve(nullptr, tmpl);
    curve.SetScanRange(3100.0f, 2900.0f, 0.0f, 100.0f, 2000.0f, 201, 0);
    TScanRecovery r;
    for (int i = 0; i < points; ++i)
        r.Values.push_back(40.0f + 0.1f * static_cast<float>(i));
    curve.AppendData(r.Values.data(), points);
    r.Info = curve.GetInfo();
    r.Started = {2026, 3, 4, 5, 6, 7};
    r.Params.Speed = 2;
    r.Params.XStart = 3100.0f;
    r.Params.XEnd = 2900.0f;
    SetGbkField(r.Params.BatchNo, "恢复的批号");
    return r;
}

TEST_F(ScanRecoveryWindow, AnsweredYesTheScanComesBackAndASaveRemovesTheFile)
{
    ASSERT_TRUE(Dir.isValid());
    const TScanRecovery r = SyntheticScan(150);
    {
        std::ofstream f(RecoveryFile(), std::ios::binary);
        const auto bytes = SerializeScanRecovery(r);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TBoxSeen seen;
    StartAnswering(QMessageBox::Yes, seen);
    EXPECT_EQ(seen.Count, 1);
    EXPECT_EQ(seen.Text, QStringLiteral("发现未完成的扫描数据，是否恢复？"));

    TSpCurveZQ735* c = Form->Graph()->CurveAt(0);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->GetCount(), 150);
    for (int i = 0; i < 150; ++i)
        ASSERT_EQ(c->GetData()[i], r.Values[static_cast<size_t>(i)]) << i;
    EXPECT_STREQ(Form->Model()->ParamsOfSlot(0)->BatchNo, r.Params.BatchNo);
    EXPECT_FLOAT_EQ(Form->Graph()->XViewFrom, 3100.0f);
    EXPECT_FLOAT_EQ(Form->Graph()->XViewTo, 2900.0f);
    EXPECT_EQ(Form->ScanDateTime().Year, 2026);
    EXPECT_EQ(Form->ScanDateTime().Second, 7);
    // Kept until the spectrum is saved: a second crash must not lose it.
    EXPECT_TRUE(QFile::exists(QString::fromStdString(RecoveryFile())));

    TModalScript save({FileStep(Path(QStringLiteral("back.ir")))});
    Action("mnSave")->trigger();
    ASSERT_TRUE(save.Done());
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("back.ir"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(RecoveryFile())));
}

// Closing the window with the recovered scan not saved asks first; the file
// stays unless the operator throws the scan away.
TEST_F(ScanRecoveryWindow, ClosingAsksBeforeARecoveredScanGoesAndKeepsItsFileUnlessDiscarded)
{
    ASSERT_TRUE(Dir.isValid());
    const TScanRecovery r = SyntheticScan(120);
    const auto bytes = SerializeScanRecovery(r);
    const QString file = QString::fromStdString(RecoveryFile());
    auto write = [&] {
        std::ofstream f(RecoveryFile(), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    write();
    TBoxSeen seen;
    StartAnswering(QMessageBox::Yes, seen);
    ASSERT_EQ(Form->Graph()->CurveCount, 1);

    TModalScript cancel({UnsavedStep(QStringLiteral("取消"))});
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(cancel.Done());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->Graph()->CurveCount, 1);
    EXPECT_TRUE(QFile::exists(file));

    // Torn down without a close (as a crash would): the file stays.
    Form.reset();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(ReadBytes(RecoveryFile()), bytes);

    TBoxSeen again;
    StartAnswering(QMessageBox::Yes, again);
    EXPECT_EQ(again.Count, 1);
    TModalScript no({UnsavedStep(QStringLiteral("否"))});
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(no.Done());
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(ScanRecoveryWindow, AnsweredNoNothingComesBackAndADamagedFileIsKeptAside)
{
    ASSERT_TRUE(Dir.isValid());
    auto bytes = SerializeScanRecovery(SyntheticScan(20));
    {
        std::ofstream f(RecoveryFile(), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TBoxSeen seen;
    StartAnswering(QMessageBox::No, seen);
    EXPECT_EQ(seen.Count, 1);
    EXPECT_EQ(Form->Graph()->CurveCount, 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(RecoveryFile())));
    Form.reset();

    // A damaged file is not offered; it is kept aside under a new name, and
    // the operator is told which (a notice, no question).
    bytes.resize(bytes.size() - 3);
    {
        std::ofstream f(RecoveryFile(), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    QString notice;
    bool asked = false;
    TModalScript told({OnModal<QMessageBox>([&](QMessageBox* box) {
                          notice = box->text();
                          asked = box->button(QMessageBox::No) != nullptr;
                          box->done(QMessageBox::Ok);
                      })},
                      500, false);
    TForm1Options options;
    options.StartWorker = false;
    OpenWindow(options);
    Pump(600);
    EXPECT_TRUE(told.Done());
    EXPECT_FALSE(asked);
    EXPECT_TRUE(notice.contains(QStringLiteral("ZQ735.rcv.damaged-"))) << notice.toStdString();
    EXPECT_EQ(Form->Graph()->CurveCount, 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(RecoveryFile())));
    const QStringList aside =
        QDir(Dir.path()).entryList({QStringLiteral("ZQ735.rcv.damaged-*")}, QDir::Files);
    EXPECT_EQ(aside.size(), 1);
}

// The program itself, killed in the middle of a scan: everything up to its
// last write (at most a second old) comes back in the next window.
TEST_F(ScanRecoveryWindow, TheProgramKilledMidScanOffersItsPointsAtTheNextStart)
{
    ASSERT_TRUE(Dir.isValid());
    const std::string program = std::string(ZQ735_BIN_DIR) + "/app/zq735";
    const std::string dataDir = "ZQ735_DATA_DIR=" + Dir.path().toStdString();
    std::vector<std::string> env = {dataDir, "QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string s = *e;
        if (s.rfind("ZQ735_DATA_DIR=", 0) != 0 && s.rfind("QT_QPA_PLATFORM=", 0) != 0)
            env.push_back(s);
    }
    std::vector<char*> envp;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string a0 = program, a1 = "--simulate", a2 = "--sim-speed", a3 = "40", a4 = "--demo-scan";
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Waits for the scan to have rewritten its file a few times.
    int versions = 0;
    timespec last{};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ScaledMs(120000));
    while (versions < 3 && std::chrono::steady_clock::now() < until) {
        struct stat st {};
        if (::stat(RecoveryFile().c_str(), &st) == 0 &&
            (st.st_mtim.tv_sec != last.tv_sec || st.st_mtim.tv_nsec != last.tv_nsec)) {
            last = st.st_mtim;
            ++versions;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_EQ(versions, 3) << "the program did not write its scan through";
    ASSERT_TRUE(WIFSIGNALED(status));

    const auto left = ParseScanRecovery(ReadBytes(RecoveryFile()));
    ASSERT_TRUE(left.has_value());
    ASSERT_GT(left->Info.PointCount, 10);

    TBoxSeen seen;
    StartAnswering(QMessageBox::Yes, seen);
    EXPECT_EQ(seen.Text, QStringLiteral("发现未完成的扫描数据，是否恢复？"));
    TSpCurveZQ735* c = Form->Graph()->CurveAt(0);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->GetCount(), left->Info.PointCount);
    for (int i = 0; i < c->GetCount(); ++i) {
        ASSERT_EQ(c->GetData()[i], left->Values[static_cast<size_t>(i)]) << i;
        // The simulated film or the open beam, as measured.
        EXPECT_GT(c->GetData()[i], 1.0f) << i;
        EXPECT_LT(c->GetData()[i], 110.0f) << i;
    }
}

}  // namespace
