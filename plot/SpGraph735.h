#pragma once
// The spectrum graph of the main window: up to 20 curves in numbered slots,
// the current curve, the axis limits and the visible range (the view), the
// frame and plot geometry of its drawing surface, and the drawing of the axis
// frame, labels, grid and cursor read-out line. The curves draw themselves on
// the same surface, on top of the frame.
//
// A slot number is the identity of a curve for the main window and for the
// instrument model's per-slot parameter records: it stays the same while the
// curve lives.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "plot/GraphGeometry.h"
#include "surface/SpImage.h"
#include "spectra/CurveInfo.h"
#include "spectra/SpCurveOwner.h"

class TSpCurveZQ735;

// The view as GetViewRange hands it out: 20 bytes, in this order.
struct TGraphView {
    float XFrom = 0.0f;
    float XTo = 0.0f;
    float YFrom = 0.0f;
    float YTo = 0.0f;
    int32_t CurveCount = 0;
};
static_assert(sizeof(TGraphView) == 20);

class TSpGraph735 : public TSpCurveOwner {
public:
    static constexpr int32_t SlotCount = 20;

    // The surface must outlive the graph; its size is taken once, here.
    TSpGraph735(void* window, TSpImage* image);
    ~TSpGraph735() override;
    TSpGraph735(const TSpGraph735&) = delete;
    TSpGraph735& operator=(const TSpGraph735&) = delete;

    // --- TSpCurveOwner -----------------------------------------------------
    // DrawFrame, then every curve in slot order.
    void CurveChanged() override;
    // Between BeginUpdate and the matching EndUpdate, CurveChanged only notes
    // that a repaint is due and EndUpdate does it once: loading 20 curves
    // one by one would otherwise repaint the graph 20 times over.
    void BeginUpdate() { ++FUpdateHold; }
    void EndUpdate();
    // AddCurve, then the geometry once more. On success the graph owns the
    // curve; on failure (-1: all slots taken) the caller keeps it.
    int AttachCurve(TSpCurveZQ735* curve) override;
    // Writes the read-out line for a point of `curve`; null only blanks it.
    void CursorChanged(TSpCurveZQ735* curve, int index, float x, float value) override;

    // --- geometry and ranges -------------------------------------------------
    void ComputeLayout();
    // Pixel column of SplitX in the current view.
    int32_t SplitPixel() const;
    // Fills Template for the next new curve from the graph's state.
    void RefreshTemplate();
    void SetAxisLimits(float xMin, float xMax, float yMin, float yMax, float splitX);
    // View values outside the limits are clamped; from/to are never reordered
    // (a wavenumber view runs from high to low).
    void SetViewRange(float xFrom, float xTo, float yFrom, float yTo, float splitX, int32_t seg1,
                      int32_t seg2);
    void SetYRange(float yFrom, float yTo);
    // The program's start-up ranges: limits +/-4.0e7 and +/-4095, view
    // 4000 -> 400 cm-1 and 0 -> 100 with the scale change at 2000 cm-1.
    void SetStartRanges();
    // x from, x to, y from, y to.
    void SetViewRect(const float view[4]);
    TGraphView GetViewRange() const;
    void GetViewRange(void* dst) const;  // the same 20 bytes
    void SetCurveColors(const uint32_t* colors, int n);
    // The caller redraws (CurveChanged).
    void SetShowGrid(bool on) { ShowGrid = on; }
    // Wavenumber read-out as wavelength (the main window's setting).
    void SetWavelengthMode(bool on) { WavelengthMode = on; }

    // --- curve slots ---------------------------------------------------------
    int FreeSlot() const;
    // A new empty curve from Template in the lowest free slot, in that slot's
    // colour. Returns the slot or -1.
    int NewCurve();
    // Puts an existing curve into the lowest free slot; the graph owns it from
    // then on. Returns the slot or -1 (the caller keeps the curve).
    int AddCurve(TSpCurveZQ735* curve);
    // The same into a given slot (a deleted curve coming back where it was);
    // -1 when that slot is out of range or taken (the caller keeps the curve).
    int AddCurveAt(int slot, TSpCurveZQ735* curve);
    void DeleteCurve(int slot);
    void DeleteAllCurves();
    // Called on the window thread just before a curve leaves its slot and is
    // freed, so that whoever still holds its address (the instrument model's
    // scan curve) can let go of it first. The graph's own destruction does not
    // call it: by then nothing else may hold a curve.
    std::function<void(TSpCurveZQ735*)> CurveDeleting;
    // Called on the window thread whenever the view's range has been set,
    // whoever set it, so that what shows the range can follow.
    std::function<void()> ViewChanged;
    TSpCurveZQ735* CurveAt(int slot) const;
    int IndexOfCurve(const TSpCurveZQ735* curve) const;
    TSpCurveZQ735* FirstCurve();
    TSpCurveZQ735* NextCurve();
    int CurrentIndex() const { return Current; }
    TSpCurveZQ735* CurrentCurve() const { return CurveAt(Current); }
    int SetCurrent(int slot);
    int SetCursorMode(bool on);

    // --- input, handed to the current curve ------------------------------------
    void MouseMove(int a, int button, int x, int y);
    void MouseDown(int a, int button, int x, int y);
    void MouseUp(int a, int button, int x, int y);
    void KeyDown(int& key, int a);

    // --- drawing ---------------------------------------------------------------
    // Background, frame, dotted plot edges and split line, bold end labels and,
    // when the grid is on, the grid with its labels: everything but the curves.
    void DrawFrame();
    // The label positions DrawFrame uses, for the current geometry and font.
    TAxisPlan PlanAxes();
    // The text of the read-out line for a point of `curve` (UTF-8).
    std::string ReadoutText(const TSpCurveZQ735& curve, float x, float value) const;

    // --- fields (after those of TSpCurveOwner) -------------------------------
    TCurveInfo Template{};
    int32_t Seg1Count = 0;
    int32_t Seg2Count = 0;
    uint32_t BackColor = 0;
    uint32_t FrameColor = 0;
    int32_t GridColor = 0;
    int32_t TextColor = 0;
    std::array<uint32_t, SlotCount> SlotColors{};
    int32_t MaxCurves = SlotCount;
    int32_t Current = -1;
    int32_t IterPos = 0;
    int32_t ReadoutX = 0;
    int32_t ReadoutY = 0;
    int32_t SplitPixelCache = 0;
    float SplitX = 0.0f;
    TTextExtent LabelExtent;
    bool CursorMode = false;
    bool ShowGrid = true;
    bool WavelengthMode = false;
    // Length in GBK bytes of the last read-out text, and its width in pixels:
    // the blanks that cover it must be as wide as the text, and in a
    // proportional font a space is narrower than the character it replaces.
    int32_t ReadoutLength = 0;
    int32_t ReadoutWidth = 0;

private:
    int FUpdateHold = 0;
    bool FRepaintDue = false;

    void PushGeometry(TSpCurveZQ735* curve);
    void FreeCurves();

    // The slot table. It is touched by the window thread only: the instrument
    // model, which works on the acquisition thread, creates and sizes a scan's
    // curve by running that step on the window thread (TMessageSink::Invoke)
    // and waiting for it, and the acquisition thread itself only appends to a
    // curve under the curve's own lock. So a slot change never meets a walk
    // over the slots (a repaint, FirstCurve/NextCurve) and the table needs no
    // lock; the same holds for Current, IterPos, the geometry and the surface.
    // Debug builds check the thread.
    std::array<std::unique_ptr<TSpCurveZQ735>, SlotCount> Curves;
    std::thread::id HomeThread;
    bool OnHomeThread() const { return std::this_thread::get_id() == HomeThread; }
};

// Holds a graph's repaints for a scope (see BeginUpdate).
class TGraphUpdateHold {
public:
    explicit TGraphUpdateHold(TSpGraph735& graph) : FGraph(graph) { FGraph.BeginUpdate(); }
    ~TGraphUpdateHold() { FGraph.EndUpdate(); }
    TGraphUpdateHold(const TGraphUpdateHold&) = delete;
    TGraphUpdateHold& operator=(const TGraphUpdateHold&) = delete;

private:
    TSpGraph735& FGraph;
};
