#include "formats/SpectrumCurves.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "fileio/AtomicFile.h"
#include "fileio/RegularFile.h"
#include "formats/Csv.h"
#include "formats/Jcamp.h"
#include "plot/SpGraph735.h"
#include "spectra/CurveSplit.h"
#include "spectra/SpCurveZQ735.h"
#include "text/GbkText.h"

namespace {

constexpr double SplitX = 2000.0;

// Abscissas of a segment's data range, as the curve splits it.
void SegmentRanges(const TCurveInfo& c, double& a1, double& b1, double& a2, double& b2)
{
    const TDataSplit s = SplitDataRange(c.XDataFrom, c.XDataTo, c.SplitX);
    a1 = s.Seg1From;
    b1 = s.Seg1To;
    a2 = s.Seg2From;
    b2 = s.Seg2To;
}

double Step(double a, double b, int32_t n, std::size_t i)
{
    return n <= 1 ? a : a + (b - a) * static_cast<double>(i) / (n - 1);
}

void FillMissing(std::vector<double>& y)
{
    const std::size_t n = y.size();
    std::size_t i = 0;
    while (i < n) {
        if (std::isfinite(y[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && !std::isfinite(y[j]))
            ++j;
        for (std::size_t k = i; k < j; ++k) {
            if (i == 0 && j == n)
                y[k] = 0.0;
            else if (i == 0)
                y[k] = y[j];
            else if (j == n)
                y[k] = y[i - 1];
            else
                y[k] = y[i - 1] +
                       (y[j] - y[i - 1]) * static_cast<double>(k - i + 1) / static_cast<double>(j - i + 1);
        }
        i = j;
    }
}

// y at x over points with falling or rising x, linear.
double Interpolate(const std::vector<double>& x, const std::vector<double>& y, double at)
{
    const bool falling = x.front() > x.back();
    auto it = falling ? std::lower_bound(x.begin(), x.end(), at, std::greater<double>())
                      : std::lower_bound(x.begin(), x.end(), at);
    std::size_t j = static_cast<std::size_t>(it - x.begin());
    if (j == 0)
        return y.front();
    if (j >= x.size())
        return y.back();
    const double t = (at - x[j - 1]) / (x[j] - x[j - 1]);
    return y[j - 1] + t * (y[j] - y[j - 1]);
}

// What a curve needs: its data range, split and the counts of its segments.
struct TCurveLayout {
    double From = 0, To = 0, Split = SplitX;
    int32_t C1 = 0, C2 = 0;
    std::vector<double> Values;
};

TCurveLayout LayoutOf(const TSpectrum& s)
{
    std::vector<double> x, y;
    s.Flatten(x, y);
    FillMissing(y);
    TCurveLayout l;
    const std::size_t n = x.size();
    const bool uniform = s.Parts.size() == 1;
    if (s.TimeDrive()) {
        if (n > 1 && x.front() > x.back()) {
            std::reverse(x.begin(), x.end());
            std::reverse(y.begin(), y.end());
        }
        l.From = x.front();
        l.To = x.back();
        l.Split = 0.0;
        l.C2 = static_cast<int32_t>(n);
        if (uniform) {
            l.Values = y;
        } else {
            l.Values.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                l.Values[i] = Interpolate(x, y, Step(l.From, l.To, l.C2, i));
        }
        return l;
    }
    // Wavenumber curves run from high to low.
    if (n > 1 && x.front() < x.back()) {
        std::reverse(x.begin(), x.end());
        std::reverse(y.begin(), y.end());
    }
    l.From = x.front();
    l.To = x.back();
    const double eps = 1e-6 * SplitX;
    // Two parts that meet at the split, as a scan of this instrument.
    if (s.Parts.size() == 2 && std::fabs(s.Parts[0].LastX - SplitX) < eps && s.Parts[0].Y.size() > 1 &&
        s.Parts[1].Y.size() > 1) {
        const bool rising = s.Parts[0].FirstX < s.Parts[0].LastX;
        l.C1 = static_cast<int32_t>(s.Parts[rising ? 1 : 0].Y.size());
        l.C2 = static_cast<int32_t>(s.Parts[rising ? 0 : 1].Y.size());
        l.Values = y;
        return l;
    }
    if (uniform && l.To >= SplitX - eps) {
        l.C1 = static_cast<int32_t>(n);
        l.Values = y;
        return l;
    }
    if (uniform && l.From <= SplitX + eps) {
        l.C2 = static_cast<int32_t>(n);
        l.Values = y;
        return l;
    }
    const double d = n > 1 ? (l.From - l.To) / static_cast<double>(n - 1) : 1.0;
    if (l.From <= SplitX + eps || l.To >= SplitX - eps) {
        // Entirely on one side, not uniform: one grid of as many points.
        (l.To >= SplitX - eps ? l.C1 : l.C2) = static_cast<int32_t>(n);
    } else {
        const double k = (l.From - SplitX) / d;
        if (uniform && std::fabs(k - std::round(k)) < 1e-3) {
            l.C1 = static_cast<int32_t>(std::lround(k)) + 1;
            l.C2 = static_cast<int32_t>(n) - l.C1 + 1;
            l.Values = y;
            return l;
        }
        l.C1 = std::max<int32_t>(2, static_cast<int32_t>(std::lround((l.From - SplitX) / d)) + 1);
        l.C2 = std::max<int32_t>(2, static_cast<int32_t>(std::lround((SplitX - l.To) / d)) + 1);
    }
    // Resampled onto the grid the counts describe.
    const double split = (l.C1 > 0 && l.C2 > 0) ? SplitX : (l.C1 > 0 ? l.To : l.From);
    const int32_t total = (l.C1 > 0 && l.C2 > 0) ? l.C1 + l.C2 - 1 : l.C1 + l.C2;
    l.Values.resize(static_cast<std::size_t>(total));
    for (int32_t i = 0; i < total; ++i) {
        double at;
        if (l.C1 > 0 && i < l.C1)
            at = Step(l.From, split, l.C1, static_cast<std::size_t>(i));
        else
            at = Step(l.C1 > 0 ? split : l.From, l.To, l.C2,
                      static_cast<std::size_t>(i - (l.C1 > 0 ? l.C1 - 1 : 0)));
        l.Values[static_cast<std::size_t>(i)] = Interpolate(x, y, at);
    }
    return l;
}

// A record's ranges as a spectrum file keeps them: its reader takes no
// range beyond MaxAbscissa, so the ordinate view of data that reach further
// is cut there (the values themselves are kept as they are).
TMeasureParams StorableParams(TMeasureParams p)
{
    const auto bound = [](float v) {
        const float m = static_cast<float>(MaxAbscissa);
        return std::isfinite(v) ? std::clamp(v, -m, m) : 0.0f;
    };
    p.YStart = bound(p.YStart);
    p.YEnd = bound(p.YEnd);
    if (!(p.YStart < p.YEnd)) {
        // Data wholly beyond the bound: the view reaches up to it.
        p.YStart = p.YEnd > 0.0f ? 0.0f : -static_cast<float>(MaxAbscissa);
        p.YEnd = p.YEnd > 0.0f ? static_cast<float>(MaxAbscissa) : 0.0f;
    }
    p.XStart = bound(p.XStart);
    p.XEnd = bound(p.XEnd);
    p.ScanTime = bound(p.ScanTime);
    p.CurrentX = bound(p.CurrentX);
    return p;
}

std::string ExtensionOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    std::string e = path.substr(dot + 1);
    for (char& c : e)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

}  // namespace

TSpectrum SpectrumOfCurve(TSpCurveZQ735& curve, const TMeasureParams& params)
{
    std::lock_guard lock(curve.Mutex);
    TCurveInfo c{};
    curve.GetInfo(c);
    const float* v = curve.GetData();
    TSpectrum s;
    s.Title = GbkFieldToUtf8(c.Name);
    s.Params = params;
    const std::size_t n = static_cast<std::size_t>(std::max(c.PointCount, 0));
    if (n == 0)
        return s;
    if (params.ScanMode == 2) {
        // A time drive's points lie evenly over its data range, whatever
        // split the graph gave the curve: the times the window shows.
        TSpectrumPart p;
        p.Y.assign(v, v + n);
        p.FirstX = c.XDataFrom;
        p.LastX = Step(c.XDataFrom, c.XDataTo, std::max(c.Capacity, c.PointCount), n - 1);
        s.Parts.push_back(std::move(p));
        return s;
    }
    double a1, b1, a2, b2;
    SegmentRanges(c, a1, b1, a2, b2);
    const std::size_t n1 = static_cast<std::size_t>(std::max(c.Seg1Count, 0));
    const std::size_t m1 = std::min(n1, n);
    std::size_t from2 = 0;
    if (m1 > 1) {
        TSpectrumPart p;
        for (std::size_t i = 0; i < m1; ++i)
            p.Y.push_back(v[i]);
        p.FirstX = a1;
        p.LastX = Step(a1, b1, c.Seg1Count, m1 - 1);
        s.Parts.push_back(std::move(p));
        from2 = m1 - 1;
        if (n <= m1)
            return s;
    }
    TSpectrumPart p;
    for (std::size_t i = from2; i < n; ++i)
        p.Y.push_back(v[i]);
    p.FirstX = a2;
    p.LastX = Step(a2, b2, c.Seg2Count, n - 1 - from2);
    s.Parts.push_back(std::move(p));
    return s;
}

std::vector<TSpectrum> SpectraOfModel(TApparaZQ735& model, int slot)
{
    std::vector<TSpectrum> out;
    TSpGraph735& g = model.Graph();
    for (int i = 0; i < TSpGraph735::SlotCount; ++i) {
        if (slot >= 0 && i != slot)
            continue;
        TSpCurveZQ735* c = g.CurveAt(i);
        if (c != nullptr && c->GetCount() > 0)
            out.push_back(SpectrumOfCurve(*c, *model.ParamsOfSlot(i)));
    }
    return out;
}

std::string LongDateOf(const TScanDateTime& d)
{
    if (!ScanDateValid(d))
        return std::string();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", d.Year, d.Month, d.Day, d.Hour, d.Minute,
                  d.Second);
    return buf;
}

TScanDateTime ScanDateOfLongDate(const std::string& text)
{
    int v[6] = {};
    TScanDateTime d;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6)
        return d;
    const TScanDateTime read{static_cast<int16_t>(v[0]), static_cast<int16_t>(v[1]),
                             static_cast<int16_t>(v[2]), static_cast<int16_t>(v[3]),
                             static_cast<int16_t>(v[4]), static_cast<int16_t>(v[5])};
    return ScanDateValid(read) ? read : d;
}

TFileKind FileKindOf(const std::string& path)
{
    const std::string e = ExtensionOf(path);
    if (e == "ir")
        return TFileKind::SpectrumFile;
    if (e == "jdx" || e == "dx" || e == "jcamp")
        return TFileKind::Jcamp;
    if (e == "csv" || e == "txt")
        return TFileKind::Csv;
    if (!IsRegularFile(path))
        return TFileKind::Csv;  // refused by its reader with the reason
    std::ifstream in(path, std::ios::binary);
    char head[32] = {};
    in.read(head, sizeof head - 1);
    const std::string h(head, static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (h.rfind("ZQ735FILE", 0) == 0)
        return TFileKind::SpectrumFile;
    const std::size_t first = h.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    return first != std::string::npos && h.compare(first, 2, "##") == 0 ? TFileKind::Jcamp : TFileKind::Csv;
}

bool ReadSpectraFile(const std::string& path, std::vector<TSpectrum>& out, std::string& error)
{
    if (FileKindOf(path) == TFileKind::Jcamp)
        return ReadJcampAllFile(path, out, error);
    return ReadCsvFile(path, out, error);
}

bool AddSpectraToModel(TApparaZQ735& model, const std::vector<TSpectrum>& spectra, std::string& error,
                       std::vector<int>* addedSlots)
{
    TSpGraph735& g = model.Graph();
    int free = 0;
    for (int i = 0; i < TSpGraph735::SlotCount; ++i)
        free += g.CurveAt(i) == nullptr ? 1 : 0;
    if (static_cast<int>(spectra.size()) > free) {
        error = "曲线已满：图中只有 " + std::to_string(free) + " 个空位";
        return false;
    }
    std::vector<TCurveLayout> layouts;
    for (const TSpectrum& s : spectra) {
        if (s.PointCount() == 0) {
            error = "spectrum without points";
            return false;
        }
        // What a spectrum file cannot hold is refused here, not at the save.
        if (s.PointCount() > static_cast<std::size_t>(kMaxCurvePoints)) {
            error = "\"" + s.Title + "\": " + std::to_string(s.PointCount()) +
                    " points; a curve holds at most " + std::to_string(kMaxCurvePoints);
            return false;
        }
        layouts.push_back(LayoutOf(s));
        if (layouts.back().Values.size() > static_cast<std::size_t>(kMaxCurvePoints)) {
            error = "\"" + s.Title + "\": more points than a curve holds on its grid";
            return false;
        }
        // The ends become the curve's float range and the graph's step
        // counts; an abscissa of 4e9 cm-1 is damage, not a spectrum.
        const TCurveLayout& l = layouts.back();
        if (!(std::fabs(l.From) <= MaxAbscissa && std::fabs(l.To) <= MaxAbscissa)) {
            error = "abscissa out of range";
            return false;
        }
    }
    for (std::size_t k = 0; k < spectra.size(); ++k) {
        const TSpectrum& s = spectra[k];
        const TCurveLayout& l = layouts[k];
        const TMeasureParams p = StorableParams(s.Params);
        if (g.FirstCurve() == nullptr) {
            if (s.TimeDrive()) {
                g.SetViewRange(static_cast<float>(l.From), static_cast<float>(l.To), p.YStart, p.YEnd, 0.0f,
                               0, l.C2);
            } else {
                const TPointCounts c =
                    model.PointsBetween(static_cast<float>(l.From), static_cast<float>(l.To));
                g.SetViewRange(static_cast<float>(l.From), static_cast<float>(l.To), p.YStart, p.YEnd,
                               static_cast<float>(SplitX), c.Upper, c.Lower);
            }
        }
        const int slot = g.NewCurve();
        TSpCurveZQ735* curve = g.CurveAt(slot);
        if (curve == nullptr) {
            error = "no free curve slot";
            return false;
        }
        *model.ParamsOfSlot(slot) = p;
        {
            std::lock_guard lock(curve->Mutex);
            static const char* const yTitles[3] = {"透过率", "吸光度", "能量"};
            SetGbkField(curve->Info.Name, s.Title);
            SetGbkField(curve->Info.XTitle, s.TimeDrive() ? "时间" : "波数");
            SetGbkField(curve->Info.XUnit, s.TimeDrive() ? "秒" : "cm-1");
            SetGbkField(curve->Info.YTitle, yTitles[p.Mode <= 2 ? p.Mode : 0]);
            SetGbkField(curve->Info.YUnit, p.Mode == 0 ? "%" : "");
            curve->SetScanRange(static_cast<float>(l.From), static_cast<float>(l.To), p.YStart, p.YEnd,
                                static_cast<float>(l.Split), l.C1, l.C2);
            std::vector<float> values(l.Values.begin(), l.Values.end());
            curve->AppendData(values.data(), static_cast<int32_t>(values.size()));
        }
        g.SetCurrent(slot);
        model.SlotParamsChanged();
        model.Sink().Post(UM_CURVE_LIST, 1, slot);
        if (addedSlots != nullptr)
            addedSlots->push_back(slot);
    }
    g.CurveChanged();
    return true;
}

bool ExportJcampText(TApparaZQ735& model, int slot, const TScanDateTime& date, std::string& text,
                     std::string& error, TJcampForm form)
{
    const std::vector<TSpectrum> spectra = SpectraOfModel(model, slot);
    if (spectra.empty()) {
        error = "no spectrum to export";
        return false;
    }
    TJcampWriteOptions o;
    o.Form = form;
    o.LongDate = LongDateOf(date);
    text = WriteJcamp(spectra, o);
    return true;
}

bool ExportCsvText(TApparaZQ735& model, int slot, std::string& text, std::string& error)
{
    const std::vector<TSpectrum> spectra = SpectraOfModel(model, slot);
    if (spectra.empty()) {
        error = "no spectrum to export";
        return false;
    }
    text = WriteCsv(spectra);
    return true;
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error)
{
    // Replaced in one step: an export onto a full disk keeps the older file.
    if (WriteFileAtomic(path, text.data(), text.size()) != 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
