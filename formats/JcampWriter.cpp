// JCAMP-DX writer. See Jcamp.h for what is written and how precisely.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fileio/AtomicFile.h"
#include "formats/Jcamp.h"
#include "text/GbkText.h"

namespace {

constexpr std::size_t MaxDataLine = 80;

std::string Num(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

std::string Int(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

// The compressed forms put the sign and the first digit into one letter.
std::string Pseudo(double v, const char* positive, const char* negative)
{
    std::string digits = Int(std::fabs(v));
    const int first = digits[0] - '0';
    digits[0] = v < 0 ? negative[first] : positive[first];
    return digits;
}

std::string Sqz(double v)
{
    return Pseudo(v, "@ABCDEFGHI", "@abcdefghi");
}
std::string Dif(double v)
{
    return Pseudo(v, "%JKLMNOPQR", "%jklmnopqr");
}
std::string Dup(std::size_t count)
{
    std::string digits = std::to_string(count);
    digits[0] = "?STUVWXYZs"[digits[0] - '0'];
    return digits;
}

// The smallest power of ten (down to 1e-6) that makes the start and the
// spacing whole numbers; abscissas on data lines are checks, so a spacing
// that is no decimal fraction (a time drive) is rounded at the last one.
double XFactor(double first, double delta)
{
    for (double f = 1.0; f > 1e-6; f /= 10.0) {
        const double a = first / f, d = delta / f;
        if (std::fabs(a - std::round(a)) < 1e-6 && std::fabs(d - std::round(d)) < 1e-6)
            return f;
    }
    return 1e-6;
}

// Eight significant digits for the largest ordinate (integers below 1e8):
// finer than the 32-bit values the curves hold.
double YFactor(const std::vector<double>& y)
{
    double m = 0.0;
    for (double v : y)
        if (std::isfinite(v))
            m = std::max(m, std::fabs(v));
    if (m == 0.0)
        return 1.0;
    return std::pow(10.0, std::ceil(std::log10(m)) - 8.0);
}

const char* YUnits(int mode)
{
    switch (mode) {
        case 0:
            return "TRANSMITTANCE";
        case 1:
            return "ABSORBANCE";
        default:
            return "ARBITRARY UNITS";
    }
}

void Label(std::string& out, const char* name, const std::string& value)
{
    out += "##";
    out += name;
    out += '=';
    out += value;
    out += '\n';
}

// A multi-line text as a label value; a continuation line never starts a label.
std::string TextValue(std::string s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r')
            continue;
        out += s[i];
        if (s[i] == '\n' && s.compare(i + 1, 2, "##") == 0)
            out += ' ';
    }
    return out;
}

void PrivateLabels(std::string& out, const TMeasureParams& p)
{
    Label(out, "$MODE", std::to_string(p.Mode));
    Label(out, "$SPEED", std::to_string(p.Speed));
    Label(out, "$SLIT", std::to_string(p.Slit));
    Label(out, "$RESPONSE", std::to_string(p.Response));
    Label(out, "$SCAN MODE", std::to_string(p.ScanMode));
    Label(out, "$X START", Num(p.XStart));
    Label(out, "$X END", Num(p.XEnd));
    Label(out, "$Y START", Num(p.YStart));
    Label(out, "$Y END", Num(p.YEnd));
    Label(out, "$SCAN COUNT", std::to_string(p.ScanCount));
    Label(out, "$SCAN TIME", Num(p.ScanTime));
    Label(out, "$BATCH NO", TextValue(GbkFieldToUtf8(p.BatchNo)));
    Label(out, "$NOTE", TextValue(GbkFieldToUtf8(p.Note)));
}

void DataLines(std::string& out, const TSpectrumPart& part, const std::vector<double>& y, double xf,
               double yf, TJcampForm form)
{
    const std::size_t n = y.size();
    std::vector<double> v(n);
    std::vector<bool> known(n);
    for (std::size_t i = 0; i < n; ++i) {
        known[i] = std::isfinite(y[i]) && std::fabs(y[i] / yf) < 1e15;
        v[i] = known[i] ? std::round(y[i] / yf) : 0.0;
    }
    std::size_t i = 0;
    while (i < n) {
        std::string line = Int(std::round(part.XAt(i) / xf));
        if (form == TJcampForm::Affn) {
            while (i < n) {
                const std::string tok = known[i] ? Int(v[i]) : "?";
                if (line.size() + 1 + tok.size() > MaxDataLine)
                    break;
                line += ' ';
                line += tok;
                ++i;
            }
            out += line + '\n';
            continue;
        }
        // DIFDUP: an absolute value opens the line, differences follow; a
        // line that ends on a difference has its last value repeated at the
        // start of the next one (the Y-check).
        line += known[i] ? Sqz(v[i]) : "?";
        std::size_t j = i + 1;
        bool endsOnDif = false;
        while (j < n) {
            std::string tok;
            std::size_t run = 1;
            bool dif = false;
            if (!known[j]) {
                tok = "?";
            } else if (!known[j - 1]) {
                tok = Sqz(v[j]);
            } else {
                const double d = v[j] - v[j - 1];
                while (j + run < n && known[j + run] && v[j + run] - v[j + run - 1] == d)
                    ++run;
                tok = Dif(d) + (run > 1 ? Dup(run) : "");
                dif = true;
            }
            if (line.size() + tok.size() > MaxDataLine)
                break;
            line += tok;
            j += run;
            endsOnDif = dif;
        }
        out += line + '\n';
        i = (endsOnDif && j < n) ? j - 1 : j;
    }
}

void DataBlock(std::string& out, const std::string& title, const TSpectrum& s, const TSpectrumPart& part,
               int blockId, const TJcampWriteOptions& o, int curve = 0)
{
    const int mode = s.Params.Mode;
    const double scale = mode == 0 ? 0.01 : 1.0;  // percent -> fraction
    std::vector<double> y(part.Y.size());
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] = part.Y[i] * scale;
    const std::size_t n = y.size();
    const double delta = n > 1 ? (part.LastX - part.FirstX) / static_cast<double>(n - 1) : 0.0;
    const double xf = XFactor(part.FirstX, delta);
    const double yf = YFactor(y);
    double minY = 0.0, maxY = 0.0;
    bool any = false;
    for (double v : y)
        if (std::isfinite(v)) {
            minY = any ? std::min(minY, v) : v;
            maxY = any ? std::max(maxY, v) : v;
            any = true;
        }

    Label(out, "TITLE", title);
    Label(out, "JCAMP-DX", "4.24");
    Label(out, "DATA TYPE", "INFRARED SPECTRUM");
    if (blockId > 0)
        Label(out, "BLOCK_ID", std::to_string(blockId));
    if (curve > 0)
        Label(out, "$CURVE", std::to_string(curve));
    Label(out, "ORIGIN", "ZQ735 infrared spectrophotometer");
    Label(out, "OWNER", TextValue(GbkFieldToUtf8(s.Params.BatchNo)));
    if (!o.LongDate.empty())
        Label(out, "LONGDATE", o.LongDate);
    Label(out, "SPECTROMETER/DATA SYSTEM", "ZQ735");
    PrivateLabels(out, s.Params);
    Label(out, "XUNITS", s.TimeDrive() ? "SECONDS" : "1/CM");
    Label(out, "YUNITS", YUnits(mode));
    Label(out, "XFACTOR", Num(xf));
    Label(out, "YFACTOR", Num(yf));
    Label(out, "FIRSTX", Num(part.FirstX));
    Label(out, "LASTX", Num(part.LastX));
    Label(out, "DELTAX", Num(delta));
    Label(out, "NPOINTS", std::to_string(n));
    if (n > 0 && std::isfinite(y[0]))
        Label(out, "FIRSTY", Num(std::round(y[0] / yf) * yf));
    if (any) {
        Label(out, "MAXY", Num(maxY));
        Label(out, "MINY", Num(minY));
    }
    Label(out, "XYDATA", "(X++(Y..Y))");
    DataLines(out, part, y, xf, yf, o.Form);
    Label(out, "END", "");
}

}  // namespace

std::string WriteJcamp(const TSpectrum& s, const TJcampWriteOptions& o)
{
    std::string out;
    const std::string title = s.Title.empty() ? std::string("spectrum") : TextValue(s.Title);
    if (s.Parts.size() == 1) {
        DataBlock(out, title, s, s.Parts[0], 0, o);
        return out;
    }
    Label(out, "TITLE", title);
    Label(out, "JCAMP-DX", "4.24");
    Label(out, "DATA TYPE", "LINK");
    Label(out, "BLOCKS", std::to_string(s.Parts.size()));
    Label(out, "ORIGIN", "ZQ735 infrared spectrophotometer");
    Label(out, "OWNER", TextValue(GbkFieldToUtf8(s.Params.BatchNo)));
    // The blocks are consecutive parts of one scan, each starting with the
    // point the one before ends with.
    Label(out, "$SEGMENTS", std::to_string(s.Parts.size()));
    for (std::size_t k = 0; k < s.Parts.size(); ++k) {
        const TSpectrumPart& p = s.Parts[k];
        DataBlock(out, title + " (" + Num(p.FirstX) + "-" + Num(p.LastX) + ")", s, p, static_cast<int>(k + 1),
                  o);
    }
    Label(out, "END", "");
    return out;
}

std::string WriteJcamp(const std::vector<TSpectrum>& spectra, const TJcampWriteOptions& o)
{
    if (spectra.size() == 1)
        return WriteJcamp(spectra.front(), o);
    std::string out;
    std::size_t blocks = 0;
    for (const TSpectrum& s : spectra)
        blocks += s.Parts.size();
    Label(out, "TITLE",
          spectra.empty() || spectra.front().Title.empty() ? std::string("spectra")
                                                           : TextValue(spectra.front().Title));
    Label(out, "JCAMP-DX", "4.24");
    Label(out, "DATA TYPE", "LINK");
    Label(out, "BLOCKS", std::to_string(blocks));
    Label(out, "ORIGIN", "ZQ735 infrared spectrophotometer");
    Label(out, "OWNER",
          spectra.empty() ? std::string() : TextValue(GbkFieldToUtf8(spectra.front().Params.BatchNo)));
    // Several curves: each block names the curve it belongs to, so that the
    // parts of one scan are joined again and the curves kept apart.
    Label(out, "$CURVES", std::to_string(spectra.size()));
    int id = 0;
    for (std::size_t k = 0; k < spectra.size(); ++k) {
        const TSpectrum& s = spectra[k];
        const std::string title = s.Title.empty() ? std::string("spectrum") : TextValue(s.Title);
        for (const TSpectrumPart& p : s.Parts)
            DataBlock(out, title, s, p, ++id, o, static_cast<int>(k + 1));
    }
    Label(out, "END", "");
    return out;
}

bool WriteJcampFile(const std::string& path, const TSpectrum& s, const TJcampWriteOptions& options,
                    std::string& error)
{
    const std::string text = WriteJcamp(s, options);
    // Replaced in one step: an export onto a full disk keeps the older file.
    if (WriteFileAtomic(path, text.data(), text.size()) != 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
