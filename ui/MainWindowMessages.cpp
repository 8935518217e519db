// The main window's handling of the acquisition side's messages, and the
// operator's direct work on the plot: curve selector, renaming, cursor
// read-out, rubber-band zoom, keys.

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <mutex>
#include <utility>

#include "text/GbkText.h"
#include "acquisition/ZQ735Task.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/CurveSelector.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgInputStr.h"
#include "ui/DlgWaiting.h"
#include "ui/FormSysInitInfo.h"
#include "ui/FormSysReset.h"
#include "ui/MainWindow.h"
#include "ui/PlotWidget.h"
#include "ui/QtMessageSink.h"

namespace {

QString OneDecimal(double v)
{
    return QString::asprintf("%1.1f", v);
}

}  // namespace

// --- messages ---------------------------------------------------------------------------

void TForm1::HandleMessage(unsigned message, intptr_t wParam, intptr_t lParam)
{
    switch (message) {
        case UM_STATE: {
            const auto s = static_cast<uint8_t>(lParam & 0xFF);
            const uint8_t old = FInstrumentState;
            const int request = ResetRequestForState(old, s);
            ++FStateMsgCount;
            if (s != old) {
                FInstrumentState = s;
                DrawIndicator();
                UpdateInstrumentCommands(s);
            }
            if (request != 0) {
                const int answer = ShowResetDialog(request);
                if (answer == 1 && FTask)
                    FTask->RequestReset();
                else if (answer == 3)
                    RequestConnect();
            }
            break;
        }
        case UM_POSITION: {
            const double x = static_cast<double>(lParam) * 0.1;
            switch (wParam & 0xFF) {
                case 0:
                    lbCurrWn->setText(OneDecimal(x));
                    break;
                case 1:
                    lbSSSteps->setText(OneDecimal(x * 10.0));
                    break;
                case 2:
                    lbFSteps->setText(OneDecimal(x * 10.0));
                    break;
                case 4:
                    lbZSteps->setText(OneDecimal(x * 10.0));
                    break;
                default:
                    break;
            }
            break;
        }
        case UM_RESET_PROGRESS:
            FFormSysInitInfo->ShowResetProgress(
                static_cast<int>(wParam & 0xFF),
                static_cast<int>((static_cast<uintptr_t>(wParam) >> 16) & 0xFFFF), static_cast<int>(lParam));
            break;
        case UM_TASK_FAILED:
            // The worker has shown the failure's text already; back to idle, and
            // the status panel keeps the code until the next status text.
            PutSampleBack();
            EnableCommands();
            SetStatusText(QStringLiteral("有错误") + QString::number(static_cast<qlonglong>(lParam)));
            break;
        case UM_PARAMS:
            if (lParam != 0) {
                SetStatusText(QStringLiteral("设置参数完毕"));
                // The record itself is read from the model, not through the address.
                if (wParam != 0 && FModel)
                    SetParamLabels(FModel->CurrentParams(), lbMMode, lbScanSpeed, lbSlit, lbRTime);
            } else {
                SetStatusText(QStringLiteral("正在设置参数..."));
            }
            break;
        case UM_CURVE_DATA: {
            // Only the address is compared: the curve may have gone meanwhile.
            auto* curve = reinterpret_cast<TSpCurveZQ735*>(lParam);
            if (FGraph && curve != nullptr && FGraph->IndexOfCurve(curve) >= 0) {
                curve->DrawNew();
                FPlot->update();
            }
            break;
        }
        case UM_CURVE_LIST:
            if (FGraph && wParam == 0 && lParam >= 0)
                FGraph->SetCurrent(static_cast<int>(lParam));
            // All curves gone: nothing left to undo.
            if (wParam == 3)
                ClearUndo();
            // A scan has prepared the curve whose points it cleared.
            if (wParam == 1 && !FScanReplaced.Curves.empty() && FScanReplaced.Curves.front().Slot == lParam) {
                UndoStack().RecordReplacement(std::exchange(FScanReplaced, {}));
                UpdateUndoItem();
            }
            RebuildCurveList();
            FPlot->update();
            break;
        case UM_READING:
            lbCurrWn->setText(OneDecimal(static_cast<double>(wParam) * 0.01));
            lbMVal->setText(QString::asprintf("%1.4f", static_cast<double>(lParam) * 0.0001));
            break;
        case UM_BUSY:
            if (lParam == 0)
                DisableCommands();
            else if (lParam == 1) {
                PutSampleBack();
                EnableCommands();
            }
            break;
        case UM_STATUS_TEXT:
            switch (lParam & 0xFF) {
                case 0:
                    SetStatusText(QStringLiteral("请选择操作"));
                    break;
                case 1:
                    SetStatusText(QStringLiteral("正在进行系统复位...."));
                    break;
                case 2:
                    SetStatusText(QStringLiteral("正在进行扫描..."));
                    break;
                case 3:
                    SetStatusText(QStringLiteral("正在进行波数检索..."));
                    break;
                default:
                    SetStatusText(QString());
                    break;
            }
            break;
        case UM_BASELINE:
            if (wParam == 1) {
                FBaselineValid = lParam != 0;
                muBKEmd->setEnabled(FBaselineValid);
                if (FBaselineValid && FModel)
                    FModel->SetBaselineCorrection(muBKEmd->isChecked());
            }
            break;
        case UM_WAIT:
            switch (wParam) {
                case 0:
                    FDlgWaiting->StartWaiting(static_cast<int>(lParam));
                    break;
                case 1:
                    FDlgWaiting->TickWaiting(static_cast<int>(lParam));
                    break;
                case 2:
                    FDlgWaiting->EndWaiting();
                    break;
                default:
                    break;
            }
            break;
        case UM_GRAPH_REDRAW:
            if (FGraph) {
                FGraph->CurveChanged();
                FPlot->update();
            }
            break;
        default:
            break;
    }
}

int TForm1::ShowResetDialog(int request)
{
    return FFormSysReset->ShowResetDialog(request);
}

// --- curve list ----------------------------------------------------------------------------

void TForm1::SelectCurveEntry(int entry)
{
    if (FGraph && entry >= 0) {
        FGraph->SetCurrent(ItemSlot(entry));
        FPlot->update();
    }
    ShowCurrentCurveInfo();
    if (QWidget* f = focusWidget())
        f->clearFocus();
}

void TForm1::OnDeleteCurve()
{
    const int entry = cbCurve->currentIndex();
    if (!FGraph || entry < 0)
        return;
    const int slot = ItemSlot(entry);
    if (FGraph->CurveAt(slot) != nullptr) {
        UndoStack().RecordDeletion(slot);
        UpdateUndoItem();
        FGraph->DeleteCurve(slot);
    }
    // The list follows the deletion like any other change of the curves.
    QCoreApplication::postEvent(this, new TUmEvent(UM_CURVE_LIST, 2, slot));
    FGraph->CurveChanged();
    FPlot->update();
}

void TForm1::RenameCurve()
{
    TDlgInputStr& input = *FDlgInputStr;
    input.SetPrompt(QStringLiteral("请输入样品名称"));
    if (!input.Execute() || !FGraph)
        return;
    TSpCurveZQ735* curve = FGraph->CurrentCurve();
    if (curve == nullptr)
        return;
    TProcessingUndo::TEntry before = UndoStack().Snapshot({FGraph->CurrentIndex()});
    {
        // At most 18 bytes, whole characters only.
        const std::string gbk = Utf8ToGbk(input.Text.toStdString());
        const std::string fitted = GbkToUtf8(gbk.substr(0, GbkFitLength(gbk, TDlgInputStr::kMaxBytes)));
        std::lock_guard lock(curve->Mutex);
        SetGbkField(curve->Info.Name, fitted);
    }
    CommitUndo(std::move(before));
    ShowCurrentCurveInfo();
}

// --- cursor and zoom ------------------------------------------------------------------------

void TForm1::SetChecked(QAction* menuItem, QAction* toolButton, bool on)
{
    menuItem->setChecked(on);
    toolButton->setChecked(on);
}

bool TForm1::SetCursorRead(bool on)
{
    if (FZoomOn)
        SetZoomMode(false);
    const int r = FGraph ? FGraph->SetCursorMode(on) : -1;
    if (r < 0)
        on = false;
    FCursorOn = on;
    SetChecked(mnCursorRead, tbCursorRead, on);
    FPlot->update();
    return on;
}

bool TForm1::SetZoomMode(bool on)
{
    if (on) {
        // Nothing to zoom into.
        if (!FGraph || FGraph->CurveCount == 0 || !FModel) {
            SetChecked(mnAmplify, tbAmplify, FZoomOn);
            return FZoomOn;
        }
        if (FCursorOn)
            SetCursorRead(false);
        if (!FZoomOn) {
            FZoomOn = true;
            const TMeasureParams p = FModel->CurrentParams();
            SavedView[0] = p.XStart;
            SavedView[1] = p.XEnd;
            SavedView[2] = p.YStart;
            SavedView[3] = p.YEnd;
        }
    } else if (FZoomOn) {
        // Switching off always works, also once the curves are gone.
        EraseZoomRect();
        ResetZoomCorners();
        FZoomOn = false;
    }
    SetChecked(mnAmplify, tbAmplify, FZoomOn);
    return FZoomOn;
}

void TForm1::DrawZoomRect()
{
    // Drawing the same rectangle a second time takes it away again.
    FBandShown = !FBandShown;
    FPlot->SetBand(FBandShown, QRect(QPoint(ZoomX0, ZoomY0), QPoint(ZoomX1, ZoomY1)));
}

void TForm1::EraseZoomRect()
{
    if (FBandShown)
        DrawZoomRect();
}

void TForm1::ResetZoomCorners()
{
    ZoomX0 = ZoomY0 = ZoomX1 = ZoomY1 = -1;
}

// --- mouse and keys --------------------------------------------------------------------------

void TForm1::PlotMouseMove(int x, int y)
{
    if (!FGraph)
        return;
    FGraph->MouseMove(0, 0, x, y);
    if (FZoomOn && ZoomX0 >= 0) {
        DrawZoomRect();
        ZoomX1 = x;
        ZoomY1 = y;
        DrawZoomRect();
    }
    FPlot->update();
}

void TForm1::PlotMouseDown(int button, int x, int y)
{
    if (!FGraph)
        return;
    FGraph->MouseDown(0, button, x, y);
    FPlot->update();
    if (!FZoomOn)
        return;
    if (button == TPlotWidget::RightButton) {
        EraseZoomRect();
        ResetZoomCorners();
        return;
    }
    if (button != TPlotWidget::LeftButton)
        return;
    if (ZoomX0 < 0) {
        ZoomX0 = ZoomX1 = x;
        ZoomY0 = ZoomY1 = y;
        DrawZoomRect();
        return;
    }
    if (ZoomX1 < ZoomX0) {
        // Dragged to the left: back to the view zoom mode began with.
        EraseZoomRect();
        ResetZoomCorners();
        FModel->SetRanges(SavedView[0], SavedView[1], SavedView[2], SavedView[3]);
        ShowRangesInEdits();
        FPlot->update();
        return;
    }
    TSpCurveZQ735* c = FGraph->FirstCurve();
    if (c == nullptr)
        return;
    EraseZoomRect();
    if (ZoomX1 == ZoomX0 || ZoomY1 == ZoomY0) {
        // A rectangle without width or height would give the view no span.
        ResetZoomCorners();
        return;
    }
    const float x0 = c->XAtPixel(ZoomX0);
    const float y0 = c->YAtPixel(ZoomY0);
    const float x1 = c->XAtPixel(ZoomX1);
    const float y1 = c->YAtPixel(ZoomY1);
    FModel->SetRanges(x0, x1, y0, y1);
    ResetZoomCorners();
    ShowRangesInEdits();
    FPlot->update();
}

void TForm1::PlotMouseUp(int button, int x, int y)
{
    if (!FGraph)
        return;
    FGraph->MouseUp(0, button, x, y);
    FPlot->update();
}

bool TForm1::PlotKeyDown(int virtualKey)
{
    if (!FGraph)
        return false;
    int key = virtualKey;
    FGraph->KeyDown(key, 0);
    FPlot->update();
    float height = 0.0f;
    if (TSpCurveZQ735* c = FGraph->CurrentCurve(); c != nullptr && c->PeakHeight(height)) {
        // Only shows the result; the answer is not used.
        TDlgInputOne& input = *FDlgInputOne;
        input.SetPrompt(QStringLiteral("峰高"));
        input.Decimals = 4;
        input.Value = height;
        input.Execute();
    }
    return key == 0;
}

int TForm1::VirtualKeyOf(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
            return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        default:
            return 0;
    }
}

// --- resizing ------------------------------------------------------------------------------

void TForm1::ResizePlot(QSize size)
{
    if (!FGraph || FClosing)
        return;
    size = size.expandedTo(QSize(320, 200));
    if (size == QSize(FSurface->Width(), FSurface->Height()))
        return;
    // A rubber band in old pixels means nothing in the new picture.
    EraseZoomRect();
    ResetZoomCorners();
    // The surface keeps its identity (graph and curves point at it); only its
    // picture changes size. Then the frame is laid out again and every curve
    // gets the new geometry, as when it was attached.
    FSurface->SetRect(0, 0, size.width(), size.height());
    TSpGraph735& g = *FGraph;
    g.ComputeLayout();
    g.RefreshTemplate();
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (TSpCurveZQ735* c = g.CurveAt(slot)) {
            c->SetAxisFrame(g.FrameLeft, g.FrameRight, g.FrameTop, g.FrameBottom, g.SplitPixelCache);
            c->SetPlotRect(g.PlotLeft, g.PlotRight, g.PlotTop, g.PlotBottom, g.SplitPixelCache);
            c->SetLimits(g.XLimitMin, g.XLimitMax, g.YLimitMin, g.YLimitMax, g.SplitPixelCache);
            c->SetView(g.XViewFrom, g.XViewTo, g.YViewFrom, g.YViewTo, g.SplitPixelCache);
        }
    }
    g.CurveChanged();
    FPlot->SetPicture(FSurface->Bitmap());
}
