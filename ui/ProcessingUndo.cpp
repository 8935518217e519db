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
        TSpCurveZQ735* c = g.CurveAt(s.Slot);
        const TMeasureParams* p = FModel.ParamsOfSlot(s.Slot);
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
    e.Deletion = true;
    e.WasCurrent = FModel.Graph().CurrentIndex() == slot;
    Push(std::move(e));
}

bool TProcessingUndo::Undo()
{
    if (FEntries.empty())
        return false;
    const TEntry e = std::move(FEntries.back());
    FEntries.pop_back();
    return e.Deletion ? RestoreDeletion(e) : Restore(e);
}

bool TProcessingUndo::Restore(const TEntry& e)
{
    TSpGraph735& g = FModel.Graph();
    // Every curve must still be there with its point count, or none is touched.
    for (const TCurveState& s : e.Curves) {
        TSpCurveZQ735* c = g.CurveAt(s.Slot);
        if (c == nullptr || c->GetCount() != static_cast<int32_t>(s.Values.size()))
            return false;
    }
    for (const TCurveState& s : e.Curves) {
        TSpCurveZQ735* c = g.CurveAt(s.Slot);
        {
            std::lock_guard lock(c->Mutex);
            if (!s.Values.empty())
                std::memcpy(c->GetData(), s.Values.data(), s.Values.size() * sizeof(float));
            CopyTexts(c->Info, s.Info);
        }
        *FModel.ParamsOfSlot(s.Slot) = s.Params;
    }
    FModel.SlotParamsChanged();
    if (e.HasView)
        g.SetYRange(e.YFrom, e.YTo);
    g.CurveChanged();
    return true;
}

bool TProcessingUndo::RestoreDeletion(const TEntry& e)
{
    TSpGraph735& g = FModel.Graph();
    const TCurveState& s = e.Curves.front();
    if (g.CurveAt(s.Slot) != nullptr)
        return false;
    auto curve = std::make_unique<TSpCurveZQ735>(&g, s.Info, s.Values.data());
    if (g.AddCurveAt(s.Slot, curve.get()) < 0)
        return false;
    curve.release();
    *FModel.ParamsOfSlot(s.Slot) = s.Params;
    FModel.SlotParamsChanged();
    if (e.WasCurrent)
        g.SetCurrent(s.Slot);
    g.CurveChanged();
    return true;
}
