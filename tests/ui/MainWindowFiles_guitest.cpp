// The window's open formats: import and export from the file menu, files
// dropped on the window, files named at start.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "MainWindowFixture.h"
#include "acquisition/ApparaZQ735.h"
#include "tests/support/FullDisk.h"

namespace {

const QString Data = QStringLiteral(ZQ735_TEST_DATA "/formats/");

class MainWindowFiles : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
    }

    // Drags the files over the window and drops them; whether it was taken.
    bool Drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Form.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Form.get(), &drop);
        return drop.isAccepted();
    }

    std::vector<QString> RangeEdits()
    {
        return {Edit("EditWs")->text(), Edit("EditWe")->text(), Edit("EditYs")->text(),
                Edit("EditYe")->text()};
    }
    std::vector<QString> ViewTexts()
    {
        const TSpGraph735& g = *Form->Graph();
        std::vector<QString> t;
        for (float v : {g.XViewFrom, g.XViewTo, g.YViewFrom, g.YViewTo})
            t.push_back(QString::asprintf("%1.1f", static_cast<double>(v)));
        return t;
    }
};

// Smooth a spectrum, delete it, import another of the same length into the
// freed slot, undo twice: the imported spectrum stays bit for bit; the
// deleted one comes back beside it as it was before smoothing.
TEST_F(MainWindowFiles, UndoAfterDeleteAndImportLeavesTheImportedSpectrumAlone)
{
    // Another spectrum of the same length: this one in absorbance.
    ASSERT_EQ(Form->OpenOrImportFiles({Data + "polystyrene.ir"}), 0);
    Pump(10);
    const QString absorbance = Path(QStringLiteral("ps_abs.jdx"));
    Action("tbTtoA")->trigger();
    ASSERT_TRUE(Form->ExportToFile(absorbance));
    Action("mnUndo")->trigger();
    const std::vector<uint8_t> original = State(0);
    Action("tbPingHua")->trigger();
    ASSERT_NE(State(0), original);
    Click(Form.get(), "Button2");
    Pump(10);
    ASSERT_EQ(Form->Graph()->CurveCount, 0);
    ASSERT_EQ(Form->OpenOrImportFiles({absorbance}), 0);
    ASSERT_NE(Form->Graph()->CurveAt(0), nullptr);
    ASSERT_EQ(Form->Graph()->CurveAt(0)->GetCount() * sizeof(float) + 100 + sizeof(TMeasureParams),
              original.size());
    const std::vector<uint8_t> imported = State(0);

    TBoxSeen seen;
    TModalScript none({BoxStep(seen)}, 200, false);
    Action("mnUndo")->trigger();
    Action("mnUndo")->trigger();
    EXPECT_EQ(seen.Count, 0) << seen.Text.toStdString();
    EXPECT_EQ(State(0), imported);
    EXPECT_EQ(State(1), original);
    EXPECT_EQ(Form->Graph()->CurveCount, 2);
    EXPECT_FALSE(Action("mnUndo")->isEnabled());
}

// Entries that can no longer be taken back say so and are dropped.
TEST_F(MainWindowFiles, UndoThatCannotBeDoneSaysWhy)
{
    ASSERT_EQ(Form->OpenOrImportFiles({Data + "polystyrene.ir"}), 0);
    Pump(10);
    Action("tbPingHua")->trigger();
    Click(Form.get(), "Button2");
    Pump(10);
    // Every slot is taken: the deleted curve has nowhere to go, and then the
    // smoothing finds no curve of its own.
    while (Form->Graph()->FreeSlot() >= 0)
        AddTestCurve();
    const std::vector<uint8_t> other = State(0);

    TBoxSeen deletion, change;
    TModalScript script({BoxStep(deletion), BoxStep(change)});
    Action("mnUndo")->trigger();
    Action("mnUndo")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_TRUE(deletion.Text.startsWith(QStringLiteral("无法撤销删除"))) << deletion.Text.toStdString();
    EXPECT_TRUE(change.Text.startsWith(QStringLiteral("无法撤销"))) << change.Text.toStdString();
    EXPECT_EQ(State(0), other);
    EXPECT_EQ(Form->Graph()->CurveCount, TForm1::SlotCount);
    EXPECT_FALSE(Action("mnUndo")->isEnabled());
}

// The range edits show the view whatever changed it, so that "应用" never
// applies a stale range.
TEST_F(MainWindowFiles, TheRangeEditsFollowTheViewAndApplyKeepsIt)
{
    ASSERT_EQ(Form->OpenOrImportFiles({Data + "polystyrene.ir"}), 0);
    EXPECT_EQ(RangeEdits(), ViewTexts());
    const std::vector<QString> percent = ViewTexts();

    Action("tbTtoA")->trigger();
    EXPECT_EQ(RangeEdits(), ViewTexts());
    EXPECT_NE(ViewTexts(), percent);
    const std::vector<QString> absorbance = ViewTexts();
    Click(Form.get(), "Button1");
    Pump(10);
    EXPECT_EQ(ViewTexts(), absorbance);

    Action("mnUndo")->trigger();  // the apply changed no curve: this takes the conversion back
    EXPECT_EQ(RangeEdits(), ViewTexts());

    ASSERT_EQ(Form->OpenOrImportFiles({Data + "absorbance_cr.jdx"}), 0);
    EXPECT_EQ(RangeEdits(), ViewTexts());
    const std::vector<QString> imported = ViewTexts();
    Click(Form.get(), "Button1");
    Pump(10);
    EXPECT_EQ(ViewTexts(), imported);
}

TEST_F(MainWindowFiles, ImportAndExportThroughTheFileMenu)
{
    TModalScript importing({FileStep(Data + "absorbance_cr.jdx")});
    Action("mnImport")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return importing.Done(); }));
    ASSERT_EQ(Form->Graph()->CurveCount, 1);
    EXPECT_EQ(Form->Model()->ParamsOfSlot(0)->Mode, 1);
    EXPECT_EQ(Form->Graph()->CurveAt(0)->GetCount(), 10);
    EXPECT_FLOAT_EQ(Form->Graph()->CurveAt(0)->GetData()[9], 1.0f);

    const QString out = Path(QStringLiteral("out.csv"));
    TModalScript exporting({FileStep(out)});
    Action("mnExport")->trigger();
    ASSERT_TRUE(PumpUntil([&] { return exporting.Done(); }));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_EQ(lines[0], QByteArray("wavenumber (cm-1),\"absorbance, CR only (Abs)\""));
    EXPECT_EQ(lines[1], QByteArray("1000,0.1"));

    ASSERT_TRUE(Form->ExportToFile(Path(QStringLiteral("out.jdx"))));
    EXPECT_TRUE(QFile(Path(QStringLiteral("out.jdx"))).size() > 0);
}

// "导出…" onto a disk that fills up: the operator is told, the export
// reports failure, and the file exported before is still there whole.
TEST_F(MainWindowFiles, AnExportOntoAFullDiskIsReportedAndThePreviousFileStays)
{
    ASSERT_EQ(Form->OpenOrImportFiles({Data + "polystyrene.ir"}), 0);
    ASSERT_EQ(Form->Graph()->CurveCount, 1);
    for (const char* name : {"kept.jdx", "kept.csv"}) {
        const QString out = Path(QString::fromLatin1(name));
        const QByteArray before("exported before\n");
        {
            QFile f(out);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        TBoxSeen seen;
        bool exported = true;
        {
            TFullDisk full(static_cast<rlim_t>(before.size()) + 100);
            ASSERT_TRUE(full.Active());
            TModalScript script({BoxStep(seen)});
            exported = Form->ExportToFile(out);
            ASSERT_TRUE(script.Done()) << name;
        }
        EXPECT_FALSE(exported) << name;
        EXPECT_EQ(seen.Title, QStringLiteral("错误"));
        EXPECT_TRUE(seen.Text.startsWith(QStringLiteral("无法导出文件"))) << seen.Text.toStdString();
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before) << name;
    }
}

TEST_F(MainWindowFiles, DroppedFilesAreOpenedOrImportedInTurn)
{
    EXPECT_FALSE(Drop({Data + "sqz.jdx", QStringLiteral("/tmp/notes.odt")}));
    ASSERT_TRUE(Drop({Data + "polystyrene.ir", Data + "sqz.jdx"}));
    ASSERT_EQ(Form->Graph()->CurveCount, 2);
    EXPECT_EQ(Form->Graph()->CurveAt(0)->GetCount(), 2601);
    EXPECT_EQ(Form->Graph()->CurveAt(1)->GetCount(), 10);
    EXPECT_EQ(Form->Graph()->CurrentIndex(), 1);

    // A file that is refused says so and changes nothing.
    TBoxSeen seen;
    TModalScript script({BoxStep(seen)});
    ASSERT_TRUE(Drop({Data + "hostile/missing_end.jdx"}));
    ASSERT_TRUE(PumpUntil([&] { return script.Done(); }));
    EXPECT_TRUE(seen.Text.startsWith(QStringLiteral("无法导入文件"))) << seen.Text.toStdString();
    EXPECT_TRUE(seen.Text.contains(QStringLiteral("line 9"))) << seen.Text.toStdString();
    EXPECT_EQ(Form->Graph()->CurveCount, 2);
}

TEST(MainWindowStart, FilesNamedBeforeTheGraphExistsAreOpenedOnceItDoes)
{
    QTemporaryDir dir;
    SetDataFolder(dir.path());
    ASSERT_TRUE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{}));
    TForm1Options options;
    options.StartWorker = false;
    options.ConfirmExit = false;
    options.DataFolder = dir.path();
    TForm1 form(options);
    EXPECT_EQ(form.OpenOrImportFiles({Data + "difdup.jdx", Data + "percent_rising_crlf.jdx"}), 0);
    form.show();
    ASSERT_TRUE(PumpUntil([&] { return form.Started() && form.Graph()->CurveCount == 2; }));
    EXPECT_FLOAT_EQ(form.Graph()->CurveAt(1)->GetData()[0], 95.0f);
    SetDataFolder(QString());
}

}  // namespace
