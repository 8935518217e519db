// The window's open formats: import and export from the file menu, files
// dropped on the window, files named at start.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "MainWindowFixture.h"
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
};

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
