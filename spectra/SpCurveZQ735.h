#pragma once
// One spectrum in memory: its descriptor, one array of float values and the
// two drawable segments that map the values onto the plot. The abscissa of a
// wavenumber scan changes scale at SplitX (2000 cm-1); the values above it
// belong to the first segment, those below it to the second, and the value at
// the split to both.
//
// Threads: the acquisition worker appends values and reads abscissas and
// values while the window thread draws, processes and moves the cursor. Each
// public operation takes the curve's own re-entrant mutex for its whole
// duration, except AddData (the unlocked inner form of appending and drawing,
// for callers that already hold the lock) and GetData (which only hands out
// the array; callers that process it hold Mutex themselves). No operation
// holds the mutexes of two curves: notifications to the owner, which repaints
// every curve, are made after this curve's lock is released.

#include "link/SpMutex.h"
#include "spectra/CurveInfo.h"
#include "spectra/PeakSearch.h"
#include "spectra/SpCurveBase.h"

#include <cstdint>
#include <memory>
#include <vector>

class TSpCurveOwner;
class TSpImage;

// Common base of the classes that use segments; it has no behaviour.
class TSpCurveBaseUser {
};

class TSpCurveZQ735 : public TSpCurveBaseUser {
public:
    // Takes the owner's handle and surface (none without owner), configures
    // itself from `tmpl` (with `values` as the first tmpl.PointCount values,
    // when given) and starts with the cursor hidden and no marks.
    TSpCurveZQ735(TSpCurveOwner* owner, const TCurveInfo& tmpl, const float* values = nullptr);
    virtual ~TSpCurveZQ735();
    TSpCurveZQ735(const TSpCurveZQ735&) = delete;
    TSpCurveZQ735& operator=(const TSpCurveZQ735&) = delete;

    // Appends and draws the new values; the caller holds the lock.
    virtual void AddData(const float* values, int32_t n);
    // Full repaint of both segments.
    virtual void Paint();

    // Sizes the array for info.Capacity, takes the descriptor and splits it
    // between the segments; then appends `values` (info.PointCount of them)
    // and notifies the owner. The curve's limits are reset to +/-4.0e7 until
    // the owner narrows them.
    void Configure(const TCurveInfo& info, const float* values = nullptr);

    // Geometry pushed by the owner. Rectangles are put in order; the split
    // pixel is where the first segment ends and the second begins.
    void SetAxisFrame(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t splitPixel);
    void SetPlotRect(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t splitPixel);
    // Stores the limits in ascending order; the segments keep theirs.
    void SetLimits(float xMin, float xMax, float yMin, float yMax, int32_t splitPixel);
    // Stores the view clamped into the limits (from/to keep their order) and
    // hands each segment its part.
    void SetView(float xFrom, float xTo, float yFrom, float yTo, int32_t splitPixel);
    // Sizes and empties the curve for a scan: c1 values from xFrom down to
    // splitX and c2 from there to xTo (splitX 0, c1 0 for time drive).
    void SetScanRange(float xFrom, float xTo, float yFrom, float yTo, float splitX, int32_t c1, int32_t c2);

    // Locked append without drawing (the worker's form). A curve that is
    // full starts again at index 0.
    void AppendData(const float* values, int32_t n);
    void Clear();
    // Draws what was appended since the last drawing.
    void DrawNew();
    // Asks the owner to repaint when there is anything to show.
    void Invalidate();

    // The descriptor; its Data placeholder is 0 (the values: GetData).
    void GetInfo(TCurveInfo& dst);
    TCurveInfo GetInfo();
    // Takes a stored descriptor with its values; the curve's own colour,
    // rectangles, split pixel and split abscissa win over the stored ones.
    void Load(const TCurveInfo& info, const float* values);

    float* GetData() { return Values.data(); }
    int32_t GetCount();
    uint32_t GetColor();

    // Mappings over both segments.
    float XAtPixel(int32_t px);
    float YAtPixel(int32_t py);
    int32_t IndexOfX(float x);
    float XAtIndex(int32_t i);
    int32_t PixelOfX(float x);
    int32_t PixelOfY(float y);
    // 0 and the value stored at abscissa x, or -1 when x is beyond the
    // stored points (value untouched).
    int ValueAtX(float x, float& value);
    // The same two on the curve's own abscissa range, never on the time axis
    // of a time drive in slot 0: for wavenumber curves kept outside the graph
    // (the baselines), which are read by wavenumber whatever the graph shows.
    float WavenumberAtIndex(int32_t i);
    int ValueAtWavenumber(float x, float& value);

    // Peaks and valleys inside the visible abscissa range whose height over
    // (depth under) the neighbouring turning points reaches `threshold`; at
    // most the capacities are recorded (outputs and PeakList/ValleyList).
    // Marks are switched on and drawn when anything was found.
    void FindPeaks(float threshold, uint8_t labelMode, float* peakX, float* peakY, float* valleyX,
                   float* valleyY, int32_t peakCapacity, int32_t valleyCapacity, int32_t& peakCount,
                   int32_t& valleyCount);
    // Stores the two mark switches; the caller repaints.
    void SetPeakMarks(bool showPeaks, bool showValleys);
    // Labels of the recorded peaks and valleys: their abscissa written
    // upward (label mode 0) or their ordinal number (mode 1).
    void DrawPeakMarks();
    // Full width at half height and area of every absorption band the last
    // FindPeaks recorded (the list `bands` names), in list order, each between
    // its own turning points on the whole curve, whatever the view; the
    // entries of the other list are not measured.
    void BandMetricsOf(TAbsorptionBands bands, std::vector<TBandMetrics>& peaks,
                       std::vector<TBandMetrics>& valleys);

    // --- read cursor (window thread) ------------------------------------
    // 0, or -1 for an empty curve (the cursor stays as it was).
    int ShowCursor(bool on);
    // Button 0 is the left button.
    void OnMouseDown(int button, int x);
    void OnMouseMove(int x);
    void OnMouseUp(int button);
    // Virtual-key codes: Page Up/Down the step, Left/Right move, Enter and
    // Space label the point above or below it, P marks it for the height.
    void OnKeyDown(int key);
    // The following four expect the caller to hold Mutex.
    void MoveCursorToPixel(int32_t px);
    void MoveCursorToIndex(int32_t i);
    // Writes the point's position and/or value (as the owner's label style
    // says) upward from just above (or ending just below) the point.
    void LabelPoint(bool above, int32_t i);
    void MarkPoint(int32_t i);
    // True once three marks are set: the height of the middle one over the
    // straight line through the outer two. The marks are cleared either way
    // once all three were set.
    bool PeakHeight(float& height);

    // --- fields ---------------------------------------------------------
    // Who this curve is for the commands that come back to it later (undo):
    // a number never given twice while the program runs. It changes whenever
    // the values are replaced wholesale (configured, loaded, cleared for a
    // scan), because the curve then holds another spectrum; processing in
    // place keeps it. Undo sets it back when it brings a spectrum back.
    uint64_t Identity = 0;
    static uint64_t NewIdentity();

    // The five texts of Info (GBK); the graph builds the read-out from them.
    const char* Name = nullptr;
    const char* XTitle = nullptr;
    const char* YTitle = nullptr;
    const char* XUnit = nullptr;
    const char* YUnit = nullptr;

    void* OwnerHandle = nullptr;
    TSpCurveOwner* Owner = nullptr;
    TSpMutex Mutex;
    TSpImage* Image = nullptr;

    std::unique_ptr<TSpCurveBase> Seg1;
    std::unique_ptr<TSpCurveBase> Seg2;
    // Keeps the pixels under the cursor marker.
    std::unique_ptr<TSpImage> MarkerBack;

    TCurveInfo Info;
    // The configuration last given to each segment (up to FrameBottom).
    TCurveInfo Seg1Info;
    TCurveInfo Seg2Info;

    // Never shrinks; holds at least Info.Capacity values.
    std::vector<float> Values;
    int32_t SplitIndex = 0;   // array index of the point at SplitX

    // Read cursor.
    int32_t CursorPixelX = 0, CursorPixelY = 0;
    bool Dragging = false;
    int32_t CursorIndex = 0;
    int32_t CursorStep = 1;   // 1 ... 10
    int32_t MarkerRect[4] = {0, 0, 12, 12};   // left, top, right, bottom
    bool CursorShown = false;
    bool MarkerDrawn = false;

    // Peak and valley marks.
    bool ShowPeakMarks = false;
    bool ShowValleyMarks = false;
    uint8_t PeakLabelMode = 0;
    std::vector<int32_t> PeakList;
    std::vector<int32_t> ValleyList;
    // The turning points on either side of each listed extreme, as the
    // search saw them (the band's extent for its width and area).
    std::vector<TExtremum> PeakExtrema;
    std::vector<TExtremum> ValleyExtrema;

    // Three-point peak height.
    float MarkX[3] = {0.0f, 0.0f, 0.0f};
    float MarkY[3] = {0.0f, 0.0f, 0.0f};
    bool MarkSet[3] = {false, false, false};
    int32_t MarkCount = 3;

private:
    // Unlocked forms; each returns true when the owner must be told.
    bool ConfigureUnlocked(const TCurveInfo& info, const float* values);
    void AppendUnlocked(const float* values, int32_t n);
    void ClearUnlocked();
    // The two segments' plot and frame rectangles, split at the split pixel.
    void SplitPlotRect();
    void NotifyOwner();
    // The value at abscissa x on the given time axis (null: the curve's own).
    int ValueOnAxis(float x, const TSpTimeAxis* td, float& value);
    // The marker: the pixels under it kept in MarkerBack, put back by
    // RestoreMarker without repainting the curve.
    void SaveMarker(int32_t x, int32_t y);
    void RestoreMarker();
    void DrawMarker(int32_t x, int32_t y);
    // Finds the point under a column or at an index across both segments.
    bool PointAtPixel(int32_t px, TCursorPoint& p);
    bool PointAtIndex(int32_t i, TCursorPoint& p);
    void PutCursorAt(const TCursorPoint& p, bool notify);
};
