// The main window's open formats: "导入…" and "导出…" in the file menu,
// files dropped on the window and files named on the command line. The
// conversions are those of formats/, the same that zq735-cli runs.

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "formats/SpectrumCurves.h"
#include "plot/SpGraph735.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/PlotWidget.h"

namespace {

const QString kJcampFilter = QStringLiteral("JCAMP-DX (*.jdx *.dx *.jcamp)");
const QString kCsvFilter = QStringLiteral("CSV (*.csv *.txt)");

bool Droppable(const QString& path)
{
    const QString e = QFileInfo(path).suffix().toLower();
    return e == QLatin1String("ir") || e == QLatin1String("jdx") || e == QLatin1String("dx") ||
           e == QLatin1String("csv");
}

QStringList LocalDroppableFiles(const QMimeData* data)
{
    QStringList paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() || !Droppable(url.toLocalFile()))
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace

void TForm1::OnImport()
{
    if (!FModel)
        return;
    QFileDialog dialog(this, QStringLiteral("导入"), QDir::currentPath(),
                       kJcampFilter + QStringLiteral(";;") + kCsvFilter + QStringLiteral(";;所有文件 (*)"));
    dialog.setObjectName(QStringLiteral("ImportDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return;
    OpenOrImportFiles(dialog.selectedFiles());
}

void TForm1::OnExport()
{
    if (!FModel || FGraph->FirstCurve() == nullptr)
        return;
    QFileDialog dialog(this, QStringLiteral("导出"), QDir::currentPath(), kJcampFilter + QStringLiteral(";;") + kCsvFilter);
    dialog.setObjectName(QStringLiteral("ExportDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("jdx"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter == kCsvFilter ? QStringLiteral("csv") : QStringLiteral("jdx"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().front();
    // A name of neither kind takes the kind of the chosen filter.
    if (FileKindOf(path.toStdString()) == TFileKind::SpectrumFile ||
        (QFileInfo(path).suffix().isEmpty() && dialog.selectedNameFilter() == kCsvFilter))
        path += dialog.selectedNameFilter() == kCsvFilter ? QStringLiteral(".csv") : QStringLiteral(".jdx");
    ExportToFile(path);
}

bool TForm1::ExportToFile(const QString& path)
{
    if (!FModel)
        return false;
    const std::string p = path.toStdString();
    std::string text, error;
    const bool csv = QFileInfo(path).suffix().toLower() == QLatin1String("csv") ||
                     QFileInfo(path).suffix().toLower() == QLatin1String("txt");
    const bool ok = csv ? ExportCsvText(*FModel, -1, text, error)
                        : ExportJcampText(*FModel, -1, FScanDateTime, text, error);
    if (!ok || !WriteTextFile(p, text, error)) {
        ShowWarning(this, QStringLiteral("错误"), QStringLiteral("无法导出文件\n") + QString::fromStdString(error));
        return false;
    }
    return true;
}

bool TForm1::OpenOrImportFile(const QString& path)
{
    const std::string p = path.toStdString();
    if (FileKindOf(p) == TFileKind::SpectrumFile)
        return OpenSpectrumPath(path);
    std::vector<TSpectrum> spectra;
    std::string error;
    const bool wasEmpty = FGraph->FirstCurve() == nullptr;
    if (!ReadSpectraFile(p, spectra, error) || !AddSpectraToModel(*FModel, spectra, error)) {
        ShowWarning(this, QStringLiteral("错误"), QStringLiteral("无法导入文件\n") + QString::fromStdString(error));
        return false;
    }
    // Into an empty graph the file brings its measurement's date along.
    if (wasEmpty)
        FScanDateTime = ScanDateOfLongDate(spectra.front().LongDate);
    SetCursorRead(FCursorOn);
    ShowRangesInEdits();
    FPlot->update();
    return true;
}

int TForm1::OpenOrImportFiles(const QStringList& paths)
{
    if (!FModel) {
        FPendingFiles << paths;
        return 0;
    }
    int failed = 0;
    for (const QString& path : paths)
        failed += OpenOrImportFile(path) ? 0 : 1;
    return failed;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (FModel && !FBusy && !LocalDroppableFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalDroppableFiles(event->mimeData());
    if (!FModel || FBusy || paths.isEmpty())
        return;
    event->acceptProposedAction();
    OpenOrImportFiles(paths);
}
