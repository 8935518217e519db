// The whole program against the simulated instrument on a pseudo-terminal:
// the window, its engine and worker, as the operator drives them.

#include <QComboBox>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <mutex>

#include "MainWindowFixture.h"
#include "sim/SimPtyHost.h"
#include "ui/FormCanShu.h"
#include "ui/FormSysInitInfo.h"
#include "ui/FormSysReset.h"
#include "ui/RadioGroup.h"

namespace {

struct TLoggedMessage {
    unsigned Msg;
    intptr_t W, L;
};

// Every message the window receives, in order.
class TMessageLog : public QObject {
public:
    std::vector<TLoggedMessage> Messages;

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == TUmEvent::Type()) {
            const auto* m = static_cast<TUmEvent*>(e);
            Messages.push_back({m->Msg, m->W, m->L});
        }
        return false;
    }
};

int CountColour(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += (line[x] & 0xFFFFFF) == (colour & 0xFFFFFF);
    }
    return n;
}

class MainWindowWithSimulator : public MainWindowFixture {
protected:
    static constexpr double SimSpeed = 40.0;

    void SetUp() override
    {
        TSimOptions o;
        o.Speed = SimSpeed;
        Sim = std::make_unique<TSimPtyHost>(o);
        std::string error;
        ASSERT_TRUE(Sim->Start(&error)) << error;
        // The detection prompt may open while the window is still being
        // shown: the answer stands by from the start.
        ResetAnswer = std::make_unique<TModalScript>(std::vector<TModalStep>{[](QWidget* top) {
                                                         auto* p = qobject_cast<TFormSysReset*>(top);
                                                         if (p == nullptr || p->Mode() != 1)
                                                             return false;  // still looking
                                                         Click(p, "btnOK");
                                                         return true;
                                                     }},
                                                     30000);
        TForm1Options options;
        options.FixedDevice = Sim->DevicePath();
        OpenWindow(options);
        Form->installEventFilter(&Log);
    }

    void TearDown() override
    {
        Form.reset();
        Sim.reset();
        MainWindowFixture::TearDown();
    }

    // The reset the window offers once the instrument has answered, confirmed.
    void ConfirmReset()
    {
        ASSERT_TRUE(PumpUntil([&] { return ResetAnswer->Done(); }, 35000));
        ASSERT_TRUE(PumpUntil(
            [&] {
                return Form->InstrumentState() == 5 && !Form->Busy() && Action("mnScan")->isEnabled() &&
                       QApplication::activeModalWidget() == nullptr;
            },
            60000));
    }

    // Waits until a task started after message `from` has ended; the result
    // is 0 or the failure's code.
    bool WaitForTaskEnd(size_t from, int& result, int timeoutMs = 60000)
    {
        return PumpUntil(
            [&] {
                bool started = false;
                for (size_t i = from; i < Log.Messages.size(); ++i) {
                    const TLoggedMessage& m = Log.Messages[i];
                    if (m.Msg == UM_BUSY && m.L == 0)
                        started = true;
                    if (started && m.Msg == UM_BUSY && m.L == 1) {
                        result = 0;
                        return true;
                    }
                    if (started && m.Msg == UM_TASK_FAILED) {
                        result = static_cast<int>(m.L);
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
    }

    void RunTask(QAction* command)
    {
        const size_t from = Log.Messages.size();
        command->trigger();
        int result = -1;
        ASSERT_TRUE(WaitForTaskEnd(from, result)) << command->objectName().toStdString();
        ASSERT_EQ(result, 0) << command->objectName().toStdString();
    }

    // Scan parameters through the parameter dialog.
    void SetScanRange(const char* from, const char* to, int speed)
    {
        TModalScript script({OnModal<TFormCanShu>([=](TFormCanShu* d) {
            Child<QLineEdit>(d, "edXs")->setText(QString::fromLatin1(from));
            Child<QLineEdit>(d, "edXe")->setText(QString::fromLatin1(to));
            Child<TRadioGroup>(d, "rgSSpeed")->SetItemIndex(speed);
            Click(d, "btnOK");
        })});
        const size_t from0 = Log.Messages.size();
        Action("mnCanShu")->trigger();
        ASSERT_TRUE(script.Done());
        int result = -1;
        ASSERT_TRUE(WaitForTaskEnd(from0, result));
        ASSERT_EQ(result, 0);
    }

    std::unique_ptr<TSimPtyHost> Sim;
    std::unique_ptr<TModalScript> ResetAnswer;
    TMessageLog Log;
};

TEST_F(MainWindowWithSimulator, ResetCalibrateScanSaveNewOpen)
{
    ConfirmReset();
    TFormSysInitInfo& progress = Form->FormSysInitInfo();
    for (int kind = 1; kind <= 4; ++kind)
        EXPECT_EQ(progress.StepResult(kind)->text(), QStringLiteral("正确")) << kind;
    EXPECT_EQ(LabelText("lbCurrWn").left(4), QStringLiteral("4000"));

    RunTask(Action("mnCalibrate"));
    SetScanRange("2100", "1900", 2);
    EXPECT_EQ(Panel0(), QStringLiteral("请选择操作"));

    // The scan, watched from the window thread: how long the thread is ever
    // kept from its timers, and whether the curve grows on screen meanwhile.
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1, longestGap = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0)
            longestGap = std::max(longestGap, now - last);
        last = now;
    });
    std::vector<int> blueWhileBusy;
    QTimer sampler;
    sampler.setInterval(150);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (Form->Busy())
            blueWhileBusy.push_back(CountColour(*Form->Surface()->Bitmap(), qRgb(0, 0, 255)));
    });
    tick.start();
    sampler.start();
    const size_t from = Log.Messages.size();
    Action("tbScan")->trigger();
    int result = -1;
    ASSERT_TRUE(WaitForTaskEnd(from, result));
    tick.stop();
    sampler.stop();
    ASSERT_EQ(result, 0);
    std::printf("[ measure  ] longest window-thread gap during the scan: %lld ms (%.1f s scan)\n",
                static_cast<long long>(longestGap), static_cast<double>(clock.elapsed()) / 1000.0);
    RecordProperty("longest_window_gap_ms", static_cast<int>(longestGap));
    EXPECT_LT(longestGap, ScaledMs(1000));
    EXPECT_NE(Form->ScanDateTime().Year, -1);

    ASSERT_EQ(Form->Graph()->CurveCount, 1);
    TSpCurveZQ735* curve = Form->Graph()->CurrentCurve();
    ASSERT_NE(curve, nullptr);
    const TCurveInfo info = curve->GetInfo();
    EXPECT_EQ(info.Capacity, 151);  // 51 points above 2000 cm-1, 101 below, one shared
    EXPECT_GE(info.PointCount, 150);
    std::vector<float> values;
    {
        std::lock_guard lock(curve->Mutex);
        values.assign(curve->GetData(), curve->GetData() + curve->GetCount());
    }
    for (float v : values)
        ASSERT_TRUE(v > 0.0f && v < 110.0f) << v;
    const int blueAtEnd = CountColour(*Form->Surface()->Bitmap(), qRgb(0, 0, 255));
    EXPECT_GT(blueAtEnd, 100);
    // Part of the curve was on screen before the scan had ended.
    EXPECT_TRUE(std::any_of(blueWhileBusy.begin(), blueWhileBusy.end(),
                            [&](int n) { return n > 0 && n < blueAtEnd; }))
        << blueWhileBusy.size() << " samples";
    EXPECT_EQ(Child<QComboBox>(Form.get(), "cbCurve")->count(), 1);

    const QString file = Path(QStringLiteral("film.ir"));
    TModalScript save({FileStep(file)});
    Action("tbSave")->trigger();
    ASSERT_TRUE(save.Done());
    ASSERT_TRUE(QFile::exists(file));
    const TScanDateTime scanned = Form->ScanDateTime();

    Action("mnNew")->trigger();
    Pump(20);
    EXPECT_EQ(Form->Graph()->CurveCount, 0);
    EXPECT_EQ(Child<QComboBox>(Form.get(), "cbCurve")->count(), 0);
    EXPECT_EQ(Edit("edCurveName")->text(), QStringLiteral("(空)"));

    Edit("EditWs")->clear();
    TModalScript open({FileStep(file)});
    Action("tbOpen")->trigger();
    ASSERT_TRUE(open.Done());
    Pump(20);
    ASSERT_EQ(Form->Graph()->CurveCount, 1);
    TSpCurveZQ735* back = Form->Graph()->CurrentCurve();
    ASSERT_NE(back, nullptr);
    std::vector<float> read;
    {
        std::lock_guard lock(back->Mutex);
        read.assign(back->GetData(), back->GetData() + back->GetCount());
    }
    EXPECT_EQ(read, values);
    EXPECT_EQ(back->GetInfo().XDataFrom, info.XDataFrom);
    EXPECT_EQ(back->GetInfo().XDataTo, info.XDataTo);
    EXPECT_EQ(Form->ScanDateTime().Second, scanned.Second);
    EXPECT_EQ(Edit("EditWs")->text(), QStringLiteral("2100.0"));
    EXPECT_EQ(Edit("EditWe")->text(), QStringLiteral("1900.0"));
    EXPECT_EQ(Child<QComboBox>(Form.get(), "cbCurve")->count(), 1);
    EXPECT_EQ(LabelText("lbCurScanSpeed"), QStringLiteral("正常(1cm-1)"));
}

// A scan stopped part way and started again measures the whole range from
// its start, not from where the grating stopped; "撤销" brings the stopped
// scan's curve back as it was.
TEST_F(MainWindowWithSimulator, AStoppedScanStartedAgainMeasuresTheWholeRangeAndCanBeTakenBack)
{
    ConfirmReset();
    SetScanRange("3100", "2700", 2);

    const size_t from = Log.Messages.size();
    Action("tbScan")->trigger();
    ASSERT_TRUE(PumpUntil([&] {
        TSpCurveZQ735* c = Form->Graph()->CurrentCurve();
        return Form->Busy() && c != nullptr && c->GetCount() > 60;
    }));
    Action("tbStop")->trigger();
    int result = -1;
    ASSERT_TRUE(WaitForTaskEnd(from, result));
    const int slot = Form->Graph()->CurrentIndex();
    TSpCurveZQ735* stopped = Form->Graph()->CurveAt(slot);
    ASSERT_NE(stopped, nullptr);
    const int full = stopped->GetInfo().Capacity;
    ASSERT_LT(stopped->GetCount(), full - 10);
    ASSERT_LT(Form->Model()->CurrentWavenumber(), 3000.0f);
    auto state = [&] {
        TSpCurveZQ735* c = Form->Graph()->CurveAt(slot);
        std::vector<uint8_t> b;
        const TCurveInfo info = c->GetInfo();
        b.insert(b.end(), reinterpret_cast<const uint8_t*>(&info),
                 reinterpret_cast<const uint8_t*>(&info) + 100);
        b.insert(b.end(), reinterpret_cast<const uint8_t*>(c->GetData()),
                 reinterpret_cast<const uint8_t*>(c->GetData() + c->GetCount()));
        const auto* p = reinterpret_cast<const uint8_t*>(Form->Model()->ParamsOfSlot(slot));
        b.insert(b.end(), p, p + sizeof(TMeasureParams));
        return b;
    };
    const std::vector<uint8_t> before = state();

    RunTask(Action("tbScan"));
    EXPECT_EQ(Form->Graph()->CurveCount, 1);
    TSpCurveZQ735* again = Form->Graph()->CurveAt(slot);
    ASSERT_NE(again, nullptr);
    EXPECT_FLOAT_EQ(Form->Model()->ParamsOfSlot(slot)->XStart, 3100.0f);
    EXPECT_FLOAT_EQ(again->GetInfo().XDataFrom, 3100.0f);
    EXPECT_GE(again->GetCount(), full - 1);
    for (int i = 0; i < again->GetCount(); ++i)
        ASSERT_TRUE(again->GetData()[i] > 0.0f && again->GetData()[i] < 110.0f) << i;

    ASSERT_TRUE(Action("mnUndo")->isEnabled());
    Action("mnUndo")->trigger();
    EXPECT_EQ(state(), before);
}

TEST_F(MainWindowWithSimulator, BrokenScanStreamShowsTheErrorOnceAndReturnsToIdle)
{
    ConfirmReset();
    SetScanRange("2100", "1900", 2);

    // The scan's stream stops for longer than the scan waits (its poll
    // budget plus the ten-second countdown). Only scan streams pause: a
    // pause of every sample stream would first hold up the idle loop's
    // reading, and the scan would then fail at its settings instead. The instrument finishes the stream
    // later, so the idle loop may meanwhile find it not answering: the prompt that offers to look again, and
    // then the offer to reset the instrument that has come back, may come too; both are declined ("取消"),
    // the idle loop keeps looking by itself.
    int boxes = 0;
    QString errorText;
    std::vector<int> promptModes;
    QTimer answerer;
    answerer.setInterval(2);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) {
            ++boxes;
            errorText = box->text();
            Sim->SetFault("");
            box->done(QMessageBox::Ok);
        } else if (auto* p = qobject_cast<TFormSysReset*>(top);
                   p != nullptr && p->isVisible() && p->Mode() != 0) {
            promptModes.push_back(p->Mode());
            Click(p, "btnCancel");
        }
    });
    answerer.start();
    ASSERT_TRUE(Sim->SetFault("scan-pause:20000"));
    QElapsedTimer sinceFault;
    sinceFault.start();
    const size_t from = Log.Messages.size();
    Action("tbScan")->trigger();
    int result = 0;
    ASSERT_TRUE(WaitForTaskEnd(from, result, 90000));
    std::printf("[ measure  ] broken stream: \"%s\" (code %d)\n", errorText.toStdString().c_str(), result);
    EXPECT_LT(result, 0);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(errorText.startsWith(QStringLiteral("Cmd_Scan"))) << errorText.toStdString();

    // The instrument ends its stream late (after its pause); once that has
    // passed, the window is idle again with the instrument ready, and no
    // second error box has come.
    ASSERT_TRUE(PumpUntil(
        [&] {
            return sinceFault.elapsed() > ScaledMs(24000) && !Form->Busy() &&
                   QApplication::activeModalWidget() == nullptr && Form->InstrumentState() == 5 &&
                   Action("mnScan")->isEnabled();
        },
        90000));
    EXPECT_TRUE(Action("tbNew")->isEnabled());
    EXPECT_EQ(boxes, 1);
    std::printf("[ measure  ] prompts declined afterwards:");
    for (int m : promptModes)
        std::printf(" mode %d", m);
    std::printf("\n");

    // And the instrument works again.
    RunTask(Action("mnCalibrate"));
    EXPECT_EQ(boxes, 1);
}

}  // namespace
