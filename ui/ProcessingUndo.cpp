#include "ui/ProcessingUndo.h"

#include <cstring>
#include <memory>
#include <mutex>

#include "acquisition/ApparaZQ735.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"

namespace {

// The texts a command may change; the rest of the descriptor is geometry and
// view, which belong to the graph and may have moved on since.
void CopyTexts(TCurveInfo& dst, const TCurveInfo& src)
{
    std::memcpy(dst.Name, src.Name, sizeof dst.Name);
    std::memcpy(dst.XTitle, src.XTitle, sizeof dst.XTitle);
    std::memcpy(dst.YTitle, src.YTitle, sizeof dst.YTitle);
    std::memcpy(dst.XUnit, src.XUnit, sizeof dst.XUnit);
    std::memcpy(dst.YUnit, src.YUnit, sizeof dst.YUnit);
}

bool SameTexts(const TCurveInfo& a, const TCurveInfo& b)
{
    // Name ... YUnit are the first 100 bytes of the record.
    return std::memcmp(a.Name, b.Name, 100) == 0;
}

}  // namespace

int TProcessingUndo::SlotOf(uint64_t identity) const
{
    TSpGraph735& g = FModel.Graph();
    for (int i = 0; i < TSpGraph735::SlotCount; ++i)
        if (const TSpCurveZQ735* c = g.CurveAt(i); c != nullptr && c->Identity == identity)
            return i;
    return -1;
}

TProcessingUndo::TEntry TProcessingUndo::Snapshot(const std::vector<int>& which, bool withView) const
{
    TEntry e;
    TSpGraph735& g = FModel.Graph();
    for (int slot : which) {
        TSpCurveZQ735* c = g.CurveAt(slot);
        const TMeasureParams* p = FModel.ParamsOfSlot(slot);
        if (c == nullptr || p == nullptr)
            continue;
        TCurveState s;
        s.Slot = slot;
        s.Params = *p;
        {
            std::lock_guard lock(c->Mutex);
            s.Identity = c->Identity;
            s.Info = c->Info;
            const float* v = c->GetData();
            s.Values.assign(v, v + c->Info.PointCount);
        }
        e.Curves.push_back(std::move(s));
    }
    if (withView) {
        e.HasView = true;
        e.YFrom = g.YViewFrom;
        e.YTo = g.YViewTo;
    }
    return e;
}

TProcessingUndo::TEntry TProcessingUndo::SnapshotAll(bool withView) const
{
    std::vector<int> which;
    for (int i = 0; i < TSpGraph735::SlotCount; ++i)
        if (FModel.Graph().CurveAt(i) != nullptr)
            which.push_back(i);
    return Snapshot(which, withView);
}

bool TProcessingUndo::SameAsNow(const TEntry& e) const
{
    TSpGraph735& g = FModel.Graph();
    for (const TCurveState& s : e.Curves) {
        const int slot = SlotOf(s.Identity);
        TSpCurveZQ735* c = g.CurveAt(slot);
        const TMeasureParams* p = FModel.ParamsOfSlot(slot);
        if (c == nullptr || p == nullptr)
            return false;
        if (std::memcmp(p, &s.Params, sizeof s.Params) != 0)
            return false;
        std::lock_guard lock(c->Mutex);
        if (c->Info.PointCount != static_cast<int32_t>(s.Values.size()) || !SameTexts(c->Info, s.Info))
            return false;
        if (!s.Values.empty() &&
            std::memcmp(c->GetData(), s.Values.data(), s.Values.size() * sizeof(float)) != 0)
            return false;
    }
    return true;
}

void TProcessingUndo::Push(TEntry e)
{
    FEntries.push_back(std::move(e));
    while (static_cast<int>(FEntries.size()) > Depth)
        FEntries.pop_front();
}

bool TProcessingUndo::Commit(TEntry before)
{
    if (before.Curves.empty() || SameAsNow(before))
        return false;
    Push(std::move(before));
    return true;
}

void TProcessingUndo::RecordDeletion(int slot)
{
    TEntry e = Snapshot({slot});
    if (e.Curves.empty())
        return;
    e.Kind = TKind::Deletion;
    e.WasCurrent = FModel.Graph().CurrentIndex() == slot;
    Push(std::move(e));
}

bool TProcessingUndo::RecordReplacement(TEntry before)
{
    if (before.Curves.size() != 1)
        return false;
    const TSpCurveZQ735* now = FModel.Graph().CurveAt(before.Curves.front().Slot);
    if (now == nullptr || now->Identity == before.Curves.front().Identity)
        return false;
    before.Kind = TKind::Replacement;
    before.ReplacedBy = now->Identity;
    Push(std::move(before));
    return true;
}

TProcessingUndo::TResult TProcessingUndo::Undo()
{
    if (FEntries.empty())
        return TResult::Nothing;
    const TEntry e = std::move(FEntries.back());
    FEntries.pop_back();
    switch (e.Kind) {
        case TKind::Deletion:
            return RestoreDeletion(e);
        case TKind::Replacement:
            return RestoreReplaced(e);
        case TKind::Change:
            break;
    }
    return Restore(e);
}

TProcessingUndo::TResult TProcessingUndo::Restore(const TEntry& e)
{
    TSpGraph735& g = FModel.Graph();
    // Every curve must still be there, the same spectrum, or none is touched.
    std::vector<int> where;
    for (const TCurveState& s : e.Curves) {
        const int slot = SlotOf(s.Identity);
        TSpCurveZQ735* c = g.CurveAt(slot);
        if (c == nullptr || c->GetCount() != static_cast<int32_t>(s.Values.size()))
            return TResult::CurveGone;
        where.push_back(slot);
    }
    for (size_t i = 0; i < e.Curves.size(); ++i) {
        const TCurveState& s = e.Curves[i];
        TSpCurveZQ735* c = g.CurveAt(where[i]);
        {
            std::lock_guard lock(c->Mutex);
            if (!s.Values.empty())
                std::memcpy(c->GetData(), s.Values.data(), s.Values.size() * sizeof(float));
            CopyTexts(c->Info, s.Info);
        }
        *FModel.ParamsOfSlot(where[i]) = s.Params;
    }
    FModel.SlotParamsChanged();
    if (e.HasView)
        g.SetYRange(e.YFrom, e.YTo);
    g.CurveChanged();
    return TResult::Done;
}

namespace {

// Puts a kept curve into a free slot as a curve of its own, with its identity.
bool PutBack(TSpGraph735& g, int slot, const TProcessingUndo::TCurveState& s)
{
    TCurveInfo info = s.Info;
    // A curve that moved to another slot takes that slot's colour, so that no
    // two curves share one.
    if (slot != s.Slot)
        info.Color = g.SlotColors[static_cast<size_t>(slot)];
    auto curve = std::make_unique<TSpCurveZQ735>(&g, info, s.Values.data());
    curve->Identity = s.Identity;
    if (g.AddCurveAt(slot, curve.get()) < 0)
        return false;
    curve.release();
    return true;
}

}  // namespace

TProcessingUndo::TResult TProcessingUndo::RestoreDeletion(const TEntry& e)
{
    TSpGraph735& g = FModel.Graph();
    const TCurveState& s = e.Curves.front();
    // Never over another curve: its own slot when that is free, else the first free one.
    int slot = g.CurveAt(s.Slot) == nullptr ? s.Slot : -1;
    for (int i = 0; slot < 0 && i < TSpGraph735::SlotCount; ++i)
        if (g.CurveAt(i) == nullptr)
            slot = i;
    if (slot < 0 || !PutBack(g, slot, s))
        return TResult::NoFreeSlot;
    *FModel.ParamsOfSlot(slot) = s.Params;
    FModel.SlotParamsChanged();
    if (e.WasCurrent)
        g.SetCurrent(slot);
    g.CurveChanged();
    return TResult::Done;
}

TProcessingUndo::TResult TProcessingUndo::RestoreReplaced(const TEntry& e)
{
    TSpGraph735& g = FModel.Graph();
    const TCurveState& s = e.Curves.front();
    const int slot = SlotOf(e.ReplacedBy);
    if (slot < 0)
        return TResult::CurveGone;
    // The scan's curve gives way to the one it replaced, in the same slot.
    const bool wasCurrent = g.CurrentIndex() == slot;
    g.DeleteCurve(slot);
    if (!PutBack(g, slot, s))
        return TResult::NoFreeSlot;
    *FModel.ParamsOfSlot(slot) = s.Params;
    FModel.SlotParamsChanged();
    if (wasCurrent)
        g.SetCurrent(slot);
    g.CurveChanged();
    return TResult::Done;
}
