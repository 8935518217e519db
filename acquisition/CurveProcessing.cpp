#include "acquisition/CurveProcessing.h"

#include "acquisition/ApparaZQ735.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "text/GbkText.h"

#include <cmath>
#include <mutex>
#include <vector>

bool ConvertSlotTA(TApparaZQ735& model, int slot)
{
    TSpCurveZQ735* curve = model.Graph().CurveAt(slot);
    TMeasureParams* p = model.ParamsOfSlot(slot);
    if (curve == nullptr || p == nullptr || p->Mode > 1)
        return false;
    {
        std::lock_guard lock(curve->Mutex);
        const int32_t n = curve->Info.PointCount;
        if (p->Mode == 0) {
            TransmittanceToAbsorbance(curve->GetData(), n);
            SetGbkField(curve->Info.YTitle, "吸光度");
        } else {
            AbsorbanceToTransmittance(curve->GetData(), n);
            SetGbkField(curve->Info.YTitle, "透过率");
        }
    }
    p->Mode = p->Mode == 0 ? 1 : 0;
    return true;
}

void FitViewToCurrentMode(TApparaZQ735& model)
{
    TSpGraph735& g = model.Graph();
    const TMeasureParams* p = model.ParamsOfSlot(g.CurrentIndex());
    if (g.CurrentCurve() == nullptr || p == nullptr)
        return;
    if (p->Mode == 1)
        g.SetYRange(-2.0f, 2.0f);
    else
        g.SetYRange(0.0f, 100.0f);
}

bool ConvertAllTA(TApparaZQ735& model)
{
    TSpGraph735& g = model.Graph();
    if (g.CurveCount == 0)
        return false;
    for (int slot = 0; slot < TSpGraph735::SlotCount; ++slot) {
        if (g.CurveAt(slot) != nullptr && !ConvertSlotTA(model, slot))
            return false;
    }
    FitViewToCurrentMode(model);
    g.CurveChanged();
    model.Sink().Post(UM_CURVE_LIST, 1, g.CurrentIndex());
    return true;
}

bool SameScanRange(const TMeasureParams& a, const TMeasureParams& b)
{
    return a.XStart == b.XStart && a.XEnd == b.XEnd && a.Speed == b.Speed;
}

const char* ArithmeticWithConstant(TSpCurveZQ735& first, TArithmeticOp op, float k)
{
    if (op == ArithDiv && !(std::fabs(k) > kArithmeticZero))
        return kDivisorTooSmallText;
    std::lock_guard lock(first.Mutex);
    CombineWithConstant(first.GetData(), first.Info.PointCount, op, k);
    return nullptr;
}

const char* ArithmeticWithCurve(TSpCurveZQ735& first, const TMeasureParams& firstParams,
                                TSpCurveZQ735& second, const TMeasureParams& secondParams, TArithmeticOp op)
{
    if (!SameScanRange(firstParams, secondParams))
        return kRangesDifferText;
    // A copy of the second curve's values, so that no two curve locks are
    // ever held together (and a curve combined with itself reads its own
    // values as they were).
    std::vector<float> b;
    {
        std::lock_guard lock(second.Mutex);
        const float* v = second.GetData();
        b.assign(v, v + second.Info.PointCount);
    }
    std::lock_guard lock(first.Mutex);
    CombineWithValues(first.GetData(), first.Info.PointCount, b.data(), static_cast<int32_t>(b.size()), op);
    return nullptr;
}
