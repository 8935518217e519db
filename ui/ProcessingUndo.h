#pragma once
// "撤销": the last processing commands taken back. Before a command the
// window takes a snapshot of the curves it may change (values, name and axis
// titles, and the slot's measurement record, which holds Mode, batch number
// and note); after it the snapshot is kept only when something did change.
// Undo writes the snapshot back byte for byte. A deleted curve is kept whole
// and comes back into its own slot, with its record and colour, or into the
// first free one when another curve has taken its slot meanwhile. A scan that
// replaced a curve's points is taken back the same way.
//
// Entries name curves by their identity (TSpCurveZQ735::Identity), never by
// slot or size: a slot freed by a deletion is soon taken by an imported or
// scanned spectrum, which undo must never touch. An entry whose curve is gone
// or holds another spectrum now cannot be taken back; it is dropped and the
// caller tells the operator. Opening a file and "新建" replace the curves and
// clear the stack. No widgets: used and tested with a model and a graph only.

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
        uint64_t Identity = 0;
        int Slot = -1;  // where it was; a deleted curve goes back there when it is free
        TCurveInfo Info{};
        std::vector<float> Values;
        TMeasureParams Params;
    };
    enum class TKind : uint8_t {
        Change,       // values, texts or record changed in place
        Deletion,     // the curve was removed; undo puts it back
        Replacement,  // a scan put new points into its curve; undo puts the old ones back
    };
    struct TEntry {
        std::vector<TCurveState> Curves;
        TKind Kind = TKind::Change;
        uint64_t ReplacedBy = 0;  // Replacement: the identity of the scan's curve
        bool WasCurrent = false;  // Deletion: the curve becomes current again
        bool HasView = false;     // the ordinate view to restore with it
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
    // Keeps `before` (a snapshot of one curve taken before a scan cleared it)
    // when the curve now in its slot is the scan's, a curve other than the
    // one snapshotted. Returns whether it was kept.
    bool RecordReplacement(TEntry before);

    bool CanUndo() const { return !FEntries.empty(); }
    int Count() const { return static_cast<int>(FEntries.size()); }
    enum class TResult : uint8_t {
        Nothing,     // the stack was empty
        Done,        // the caller repaints and refreshes its lists
        CurveGone,   // a curve of the entry was deleted or holds another spectrum now
        NoFreeSlot,  // a deleted curve has nowhere to go: every slot is taken
    };
    // Takes the newest entry back. An entry that cannot be taken back is
    // dropped without touching any curve.
    TResult Undo();
    void Clear() { FEntries.clear(); }

    // The slot of the curve with this identity, or -1.
    int SlotOf(uint64_t identity) const;

private:
    bool SameAsNow(const TEntry& e) const;
    void Push(TEntry e);
    TResult Restore(const TEntry& e);
    TResult RestoreDeletion(const TEntry& e);
    TResult RestoreReplaced(const TEntry& e);

    TApparaZQ735& FModel;
    std::deque<TEntry> FEntries;
};
