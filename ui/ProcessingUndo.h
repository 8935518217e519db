#pragma once
// "撤销": the last processing commands taken back. Before a command the
// window takes a snapshot of the curves it may change (values, name and axis
// titles, and the slot's measurement record, which holds Mode, batch number
// and note); after it the snapshot is kept only when something did change.
// Undo writes the snapshot back byte for byte. A deleted curve is kept whole
// and comes back into its own slot, with its record and colour, as long as
// nothing else has taken that slot meanwhile.
//
// Entries name curves by slot, the curve's identity for the window. A new
// scan, opening a file and "新建" replace the curves and clear the stack.
// No widgets: used and tested with a model and a graph only.

#include <cstdint>
#include <deque>
#include <vector>

#include "acquisition/MeasureParams.h"
#include "spectra/CurveInfo.h"

class TApparaZQ735;

class TProcessingUndo {
public:
    static constexpr int Depth = 20;

    explicit TProcessingUndo(TApparaZQ735& model) : FModel(model) {}

    // What a command may change, taken before it runs.
    struct TCurveState {
        int Slot = -1;
        TCurveInfo Info{};
        std::vector<float> Values;
        TMeasureParams Params;
    };
    struct TEntry {
        std::vector<TCurveState> Curves;
        bool Deletion = false;    // the curve was removed; undo puts it back
        bool WasCurrent = false;  // ... and makes it current again
        bool HasView = false;   // the ordinate view to restore with it
        float YFrom = 0.0f, YTo = 0.0f;
    };

    // The state of the curves in these slots now (empty slots are skipped). `withView`
    // keeps the ordinate view too (the conversion rescales it).
    TEntry Snapshot(const std::vector<int>& which, bool withView = false) const;
    // Every occupied slot.
    TEntry SnapshotAll(bool withView = false) const;
    // Keeps `before` as the newest entry when the curves differ from it now
    // (a refused or cancelled command leaves nothing to undo). Returns
    // whether it was kept. The oldest entry goes beyond Depth.
    bool Commit(TEntry before);
    // Keeps the curve of `slot` before it is deleted.
    void RecordDeletion(int slot);

    bool CanUndo() const { return !FEntries.empty(); }
    int Count() const { return static_cast<int>(FEntries.size()); }
    // Takes the newest entry back; false when there was none or when its
    // curves cannot be restored (a deleted curve's slot is taken again, or a
    // curve is gone); such an entry is dropped. The caller repaints and
    // refreshes its lists.
    bool Undo();
    void Clear() { FEntries.clear(); }

private:
    bool SameAsNow(const TEntry& e) const;
    void Push(TEntry e);
    bool Restore(const TEntry& e);
    bool RestoreDeletion(const TEntry& e);

    TApparaZQ735& FModel;
    std::deque<TEntry> FEntries;
};
