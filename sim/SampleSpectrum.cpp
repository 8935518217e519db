#include "sim/SampleSpectrum.h"
#include "fileio/RegularFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace {

// ---------------------------------------------------------------------------------------------
// Built-in polystyrene film

struct TBand {
    double Centre;      // cm-1
    double PeakAbs;     // absorbance at the centre
    double HalfWidth;   // half width at half height, cm-1
};

// A film of about 40 um. The strong bands are kept short of total absorption (a few %T left) so each
// still has a single clear minimum for peak-search and calibration checks; the weak overtone and
// shoulder bands stay a few %T below the baseline. Close pairs (3082/3060/3027, 1601/1583) are narrow
// enough that each keeps its own minimum within a fraction of a wavenumber of its centre.
constexpr TBand kPolystyreneBands[] = {
    {3082.0, 0.30, 5.0},
    {3060.0, 0.55, 6.0},
    {3027.0, 1.10, 7.0},
    {3001.0, 0.25, 5.0},
    {2924.0, 1.00, 12.0},
    {2850.0, 0.50, 9.0},
    {1943.0, 0.12, 8.0},
    {1871.0, 0.08, 8.0},
    {1801.0, 0.07, 8.0},
    {1601.0, 0.50, 4.0},
    {1583.0, 0.15, 3.5},
    {1493.0, 1.20, 5.0},
    {1452.0, 1.15, 6.0},
    {1181.0, 0.10, 4.0},
    {1154.0, 0.12, 4.0},
    {1069.0, 0.22, 4.0},
    {1028.0, 0.45, 4.0},
    {907.0, 0.40, 4.0},
    {842.0, 0.12, 5.0},
    {757.0, 1.25, 5.0},
    {698.0, 1.35, 6.0},
    {540.0, 0.60, 8.0},
};

// Bands are a mix of Lorentzian and Gaussian shapes: pure Lorentzian tails of the strong bands would
// pull the minima of their weaker neighbours off centre.
double BandAbsorbance(const TBand& b, double x)
{
    const double u = (x - b.Centre) / b.HalfWidth;
    const double lorentz = 1.0 / (1.0 + u * u);
    const double gauss = std::exp(-std::log(2.0) * u * u);
    return b.PeakAbs * (0.5 * lorentz + 0.5 * gauss);
}

// Where the film does not absorb it passes nearly all the light, so that a measurement of it shows
// the instrument's own 100 % line between the bands; it scatters a little more at high
// wavenumbers: 99.5 %T at 400 cm-1 down to 98.5 %T at 4000 cm-1.
double FilmBaseline(double x)
{
    return 99.5 - 1.0 * (x - 400.0) / 3600.0;
}

// ---------------------------------------------------------------------------------------------
// Built-in quartz in a KBr pellet

// Absorbance of each quartz band per mg of quartz in a 13 mm pellet. The doublet at 798/779 cm-1 is
// the band quartz is measured by; the broad Si-O stretch near 1084 cm-1 and the 460 cm-1 bending
// band are far stronger and are kept short of total absorption for the amounts a pellet holds.
constexpr TBand kQuartzBandsPerMg[] = {
    {1172.0, 0.040, 12.0},
    {1084.0, 0.150, 22.0},
    {798.0, 0.100, 6.0},
    {779.0, 0.070, 5.5},
    {694.0, 0.030, 5.0},
    {512.0, 0.030, 10.0},
    {460.0, 0.110, 12.0},
};

// A pressed KBr pellet scatters more at high wavenumbers: 95 %T at 400 cm-1 down to 88 %T at 4000.
double PelletBaseline(double x)
{
    return 95.0 - 7.0 * (x - 400.0) / 3600.0;
}

// ---------------------------------------------------------------------------------------------
// Shared reading helpers

// Steps through text line by line; "\r\n", "\n" and a lone "\r" all end a line.
class TLineCursor {
public:
    explicit TLineCursor(std::string_view text) : Text(text) {}

    bool Next(std::string_view& line)
    {
        if (Pos >= Text.size())
            return false;
        size_t end = Pos;
        while (end < Text.size() && Text[end] != '\n' && Text[end] != '\r')
            ++end;
        line = Text.substr(Pos, end - Pos);
        if (end < Text.size() && Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n')
            ++end;
        Pos = end + 1;
        ++Line;
        return true;
    }
    int Number() const { return Line; }

private:
    std::string_view Text;
    size_t Pos = 0;
    int Line = 0;
};

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string LineMsg(int line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// Quotes a piece of the input in a message, shortened and with control bytes shown as '?'.
std::string Quote(std::string_view s)
{
    std::string q = "'";
    const size_t n = std::min<size_t>(s.size(), 32);
    for (size_t i = 0; i < n; ++i)
        q += (static_cast<unsigned char>(s[i]) < 0x20) ? '?' : s[i];
    if (s.size() > n)
        q += "...";
    return q + "'";
}

std::string FormatValue(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

enum class ENumber { Ok, NotANumber, NotFinite };

// A whole field as a decimal number (locale-independent; a leading '+' is allowed).
ENumber ParseNumber(std::string_view s, double& v)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || s.front() == '+')
        return ENumber::NotANumber;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
        return ENumber::NotANumber;
    return std::isfinite(v) ? ENumber::Ok : ENumber::NotFinite;
}

struct TPoint {
    double X;
    double Y;
    int Line;
};

enum class EOrdinate {
    Transmittance,   // fraction or percent, told apart by the values
    Percent,
    Absorbance,
};

constexpr double kFractionLimit = 1.5;      // no value above this: the column holds fractions
constexpr double kMinPercent = -10.0;       // a little below 0 is detector noise; more is not %T
constexpr double kMaxPercent = 1000.0;
constexpr double kInstrumentLow = 400.0;
constexpr double kInstrumentHigh = 4000.0;

// Turns the points read into the spectrum: ordinates to percent, plausibility, order, repeats.
bool FinishSpectrum(std::vector<TPoint>& pts, EOrdinate kind, int lastLine, TSampleSpectrum& out,
                    std::string& error)
{
    if (pts.size() < 2) {
        error = LineMsg(lastLine, pts.empty() ? "no data points found"
                                              : "only one data point; at least two are needed");
        return false;
    }

    double scale = 1.0;
    if (kind == EOrdinate::Transmittance) {
        const bool fractions = std::all_of(pts.begin(), pts.end(),
                                           [](const TPoint& p) { return p.Y <= kFractionLimit; });
        scale = fractions ? 100.0 : 1.0;
    }
    for (TPoint& p : pts) {
        const double t = (kind == EOrdinate::Absorbance) ? 100.0 * std::pow(10.0, -p.Y) : p.Y * scale;
        if (!(t >= kMinPercent && t <= kMaxPercent)) {
            error = LineMsg(p.Line, (kind == EOrdinate::Absorbance ? "absorbance " : "transmittance ") +
                                        FormatValue(p.Y) + " is outside the plausible range of " +
                                        FormatValue(kMinPercent) + ".." + FormatValue(kMaxPercent) + " %T");
            return false;
        }
        // A sample cannot pass negative energy; small negatives are noise around an opaque band.
        p.Y = std::max(t, 0.0);
    }

    // One direction throughout; a repeated abscissa (the joint of two scan segments) is averaged.
    int direction = 0;
    for (size_t i = 1; i < pts.size(); ++i) {
        const double d = pts[i].X - pts[i - 1].X;
        if (d == 0.0)
            continue;
        const int dir = d > 0 ? 1 : -1;
        if (direction == 0)
            direction = dir;
        else if (dir != direction) {
            error = LineMsg(pts[i].Line, "wavenumber " + FormatValue(pts[i].X) +
                                             " breaks the order of the abscissas (they run " +
                                             (direction > 0 ? "up" : "down") + " before it)");
            return false;
        }
    }
    if (direction < 0)
        std::reverse(pts.begin(), pts.end());

    TSampleSpectrum s;
    s.X.reserve(pts.size());
    s.T.reserve(pts.size());
    for (size_t i = 0; i < pts.size();) {
        size_t j = i;
        double sum = 0.0;
        while (j < pts.size() && pts[j].X == pts[i].X)
            sum += pts[j++].Y;
        s.X.push_back(pts[i].X);
        s.T.push_back(sum / static_cast<double>(j - i));
        i = j;
    }
    if (s.X.size() < 2) {
        error = LineMsg(lastLine, "all data points have the same wavenumber");
        return false;
    }
    // Data wholly outside the instrument's range would leave an empty beam without a word; that is
    // nearly always a file in other units.
    if (s.X.back() < kInstrumentLow || s.X.front() > kInstrumentHigh) {
        const int firstLine = direction < 0 ? pts.back().Line : pts.front().Line;
        error = LineMsg(firstLine, "the data span " + FormatValue(s.X.front()) + ".." + FormatValue(s.X.back()) +
                                       " cm-1, outside the instrument's 400..4000 cm-1");
        return false;
    }
    out = std::move(s);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Two-column text

bool ParseTwoColumn(std::string_view text, TSampleSpectrum& out, std::string& error)
{
    std::vector<TPoint> pts;
    TLineCursor cursor(text);
    std::string_view raw;
    std::vector<std::string> fields;
    while (cursor.Next(raw)) {
        const int lineNo = cursor.Number();
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;

        // Spreadsheets with a decimal comma separate columns by tabs or semicolons.
        const bool tabsOrSemicolons = line.find_first_of("\t;") != std::string_view::npos;
        const bool decimalComma = tabsOrSemicolons && line.find('.') == std::string_view::npos;
        fields.clear();
        std::string cur;
        for (char c : line) {
            const bool sep = c == ' ' || c == '\t' || c == ';' || (c == ',' && !decimalComma);
            if (sep) {
                if (!cur.empty())
                    fields.push_back(std::move(cur));
                cur.clear();
            } else {
                cur += (c == ',') ? '.' : c;
            }
        }
        if (!cur.empty())
            fields.push_back(std::move(cur));
        if (fields.empty())
            continue;

        double x = 0.0, y = 0.0;
        const ENumber first = ParseNumber(fields[0], x);
        if (first == ENumber::NotANumber) {
            if (pts.empty())
                continue;   // a title or column header above the data
            error = LineMsg(lineNo, "not a number: " + Quote(line));
            return false;
        }
        if (fields.size() != 2) {
            error = LineMsg(lineNo, "expected two numbers (wavenumber and transmittance), found " +
                                        std::to_string(fields.size()) + " fields");
            return false;
        }
        const ENumber second = ParseNumber(fields[1], y);
        if (first == ENumber::NotFinite || second == ENumber::NotFinite) {
            error = LineMsg(lineNo, "not a finite number: " + Quote(line));
            return false;
        }
        if (second == ENumber::NotANumber) {
            error = LineMsg(lineNo, "not a number: " + Quote(fields[1]));
            return false;
        }
        if (x <= 0.0) {
            error = LineMsg(lineNo, "wavenumber " + FormatValue(x) + " is not positive");
            return false;
        }
        if (pts.size() >= kMaxSamplePoints) {
            error = LineMsg(lineNo, "more than " + std::to_string(kMaxSamplePoints) + " data points");
            return false;
        }
        pts.push_back({x, y, lineNo});
    }
    return FinishSpectrum(pts, EOrdinate::Transmittance, std::max(cursor.Number(), 1), out, error);
}

// ---------------------------------------------------------------------------------------------
// JCAMP-DX

// Label names compare without blanks, dashes, slashes and underscores, in upper case.
std::string NormaliseLabel(std::string_view s)
{
    std::string n;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '-' || c == '/' || c == '_')
            continue;
        n += static_cast<char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
    }
    return n;
}

std::string Upper(std::string_view s)
{
    std::string n;
    for (char c : s)
        if (c != ' ' && c != '\t')
            n += static_cast<char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
    return n;
}

bool IsCompressionChar(char c)
{
    // SQZ @ A-I a-i, DIF % J-R j-r, DUP S-Z s.
    return c == '@' || c == '%' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 's');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Splits a data line of plain numbers (AFFN): blanks, tabs and commas separate, and a sign starts a
// new number ("1.0-2.0" is two numbers). With `pairs`, semicolons separate as well.
bool ReadAffnLine(std::string_view s, int lineNo, bool pairs, std::vector<double>& nums, std::string& error)
{
    size_t i = 0;
    bool first = true;
    while (i < s.size()) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == ',' || (pairs && c == ';')) {
            ++i;
            continue;
        }
        if (IsDigit(c) || c == '.' || c == '+' || c == '-') {
            const size_t start = i;
            if (c == '+' || c == '-')
                ++i;
            size_t digits = 0;
            while (i < s.size() && IsDigit(s[i]))
                ++i, ++digits;
            if (i < s.size() && s[i] == '.') {
                ++i;
                while (i < s.size() && IsDigit(s[i]))
                    ++i, ++digits;
            }
            if (digits > 0 && i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
                size_t k = i + 1;
                if (k < s.size() && (s[k] == '+' || s[k] == '-'))
                    ++k;
                if (k < s.size() && IsDigit(s[k])) {
                    while (k < s.size() && IsDigit(s[k]))
                        ++k;
                    i = k;
                }
            }
            double v = 0.0;
            const ENumber r = digits > 0 ? ParseNumber(s.substr(start, i - start), v) : ENumber::NotANumber;
            if (r != ENumber::Ok) {
                error = LineMsg(lineNo, "not a number: " + Quote(s.substr(start)));
                return false;
            }
            if (nums.size() >= 2 * kMaxSamplePoints) {
                error = LineMsg(lineNo, "more than " + std::to_string(kMaxSamplePoints) + " data points");
                return false;
            }
            nums.push_back(v);
            first = false;
            continue;
        }
        if (c == '?') {
            error = LineMsg(lineNo, "missing values ('?') are not supported");
            return false;
        }
        // A compressed line still begins with its abscissa in plain digits; text where the first
        // number should be is just not data.
        if (!first && !pairs && IsCompressionChar(c)) {
            error = LineMsg(lineNo, "compressed data (SQZ/DIF/DUP) is not supported; "
                                    "save the file with plain numbers (AFFN)");
            return false;
        }
        error = LineMsg(lineNo, first ? "not a number: " + Quote(s.substr(i))
                                      : "unexpected character " + Quote(s.substr(i, 1)) + " in the data table");
        return false;
    }
    return true;
}

class TJcampReader {
public:
    bool Parse(std::string_view text, TSampleSpectrum& out, std::string& error);

private:
    enum class ETable { None, XYData, XYPairs };

    void ResetBlock();
    bool OnLabel(const std::string& label, std::string_view value, int lineNo, std::string& error);
    bool OnDataLine(std::string_view line, int lineNo, std::string& error);
    bool Finish(int lastLine, TSampleSpectrum& out, std::string& error);
    bool LabelNumber(const std::string& label, std::string_view value, int lineNo, double& v, std::string& error);

    struct TRow {
        int Line;
        double X;
        size_t FirstY;
        size_t Count;
    };

    double XFactor = 1.0, YFactor = 1.0;
    std::optional<double> FirstX, LastX;
    std::optional<size_t> NPoints;
    int NPointsLine = 0;
    std::string XUnits, YUnits;
    int XUnitsLine = 0, YUnitsLine = 0;

    ETable Table = ETable::None;   // the table being read (or read, once TableDone)
    bool TableDone = false;
    int TableLine = 0;
    int LastDataLine = 0;
    std::vector<TRow> Rows;
    std::vector<double> Ys;
    std::vector<TPoint> Pairs;     // PEAK TABLE / XYPOINTS in file units
    std::optional<double> PendingX;
    std::vector<double> Nums;
};

void TJcampReader::ResetBlock()
{
    XFactor = YFactor = 1.0;
    FirstX.reset();
    LastX.reset();
    NPoints.reset();
    XUnits.clear();
    YUnits.clear();
}

bool TJcampReader::LabelNumber(const std::string& label, std::string_view value, int lineNo, double& v,
                               std::string& error)
{
    if (ParseNumber(Trim(value), v) != ENumber::Ok) {
        error = LineMsg(lineNo, "##" + label + " is not a number: " + Quote(Trim(value)));
        return false;
    }
    return true;
}

bool TJcampReader::OnLabel(const std::string& label, std::string_view value, int lineNo, std::string& error)
{
    const std::string form = Upper(value);
    if (label == "XYDATA") {
        if (form != "(X++(Y..Y))") {
            error = LineMsg(lineNo, "data table form " + Quote(Trim(value)) + " is not supported");
            return false;
        }
        Table = ETable::XYData;
        TableLine = lineNo;
    } else if (label == "PEAKTABLE" || label == "XYPOINTS") {
        if (form != "(XY..XY)") {
            error = LineMsg(lineNo, "data table form " + Quote(Trim(value)) + " is not supported");
            return false;
        }
        Table = ETable::XYPairs;
        TableLine = lineNo;
    } else if (label == "NTUPLES") {
        error = LineMsg(lineNo, "NTUPLES tables are not supported");
        return false;
    } else if (label == "XFACTOR" || label == "YFACTOR") {
        double v = 0.0;
        if (!LabelNumber(label, value, lineNo, v, error))
            return false;
        if (v == 0.0) {
            error = LineMsg(lineNo, "##" + label + " is zero");
            return false;
        }
        (label == "XFACTOR" ? XFactor : YFactor) = v;
    } else if (label == "FIRSTX" || label == "LASTX") {
        double v = 0.0;
        if (!LabelNumber(label, value, lineNo, v, error))
            return false;
        (label == "FIRSTX" ? FirstX : LastX) = v;
    } else if (label == "NPOINTS") {
        double v = 0.0;
        if (!LabelNumber(label, value, lineNo, v, error))
            return false;
        if (v < 0.0 || v != std::floor(v)) {
            error = LineMsg(lineNo, "##NPOINTS is not a count: " + Quote(Trim(value)));
            return false;
        }
        if (v > static_cast<double>(kMaxSamplePoints)) {
            error = LineMsg(lineNo, "##NPOINTS=" + FormatValue(v) + " exceeds the limit of " +
                                        std::to_string(kMaxSamplePoints) + " points");
            return false;
        }
        NPoints = static_cast<size_t>(v);
        NPointsLine = lineNo;
    } else if (label == "XUNITS") {
        XUnits = form;
        XUnitsLine = lineNo;
    } else if (label == "YUNITS") {
        YUnits = form;
        YUnitsLine = lineNo;
    }
    // Every other label (titles, origin, vendor labels ##$...) carries nothing the beam needs.
    return true;
}

bool TJcampReader::OnDataLine(std::string_view line, int lineNo, std::string& error)
{
    Nums.clear();
    if (!ReadAffnLine(line, lineNo, Table == ETable::XYPairs, Nums, error))
        return false;
    if (Nums.empty())
        return true;
    LastDataLine = lineNo;
    if (Table == ETable::XYPairs) {
        for (double v : Nums) {
            if (!PendingX) {
                PendingX = v;
                continue;
            }
            if (Pairs.size() >= kMaxSamplePoints) {
                error = LineMsg(lineNo, "more than " + std::to_string(kMaxSamplePoints) + " data points");
                return false;
            }
            Pairs.push_back({*PendingX, v, lineNo});
            PendingX.reset();
        }
        return true;
    }
    if (Nums.size() < 2) {
        error = LineMsg(lineNo, "an abscissa without ordinates");
        return false;
    }
    const size_t count = Nums.size() - 1;
    if (Ys.size() + count > kMaxSamplePoints) {
        error = LineMsg(lineNo, "more than " + std::to_string(kMaxSamplePoints) + " data points");
        return false;
    }
    if (NPoints && Ys.size() + count > *NPoints) {
        error = LineMsg(lineNo, "more ordinates than ##NPOINTS=" + std::to_string(*NPoints));
        return false;
    }
    Rows.push_back({lineNo, Nums[0], Ys.size(), count});
    Ys.insert(Ys.end(), Nums.begin() + 1, Nums.end());
    return true;
}

bool TJcampReader::Parse(std::string_view text, TSampleSpectrum& out, std::string& error)
{
    TLineCursor cursor(text);
    std::string_view raw;
    while (cursor.Next(raw)) {
        const int lineNo = cursor.Number();
        std::string_view line = raw;
        if (const size_t c = line.find("$$"); c != std::string_view::npos)
            line = line.substr(0, c);
        line = Trim(line);
        if (line.empty())
            continue;
        if (line.substr(0, 2) == "##") {
            const size_t eq = line.find('=');
            if (eq == std::string_view::npos) {
                error = LineMsg(lineNo, "label without '=': " + Quote(line));
                return false;
            }
            const std::string label = NormaliseLabel(line.substr(2, eq - 2));
            if (Table != ETable::None)
                TableDone = true;
            // The first block with a data table is the spectrum; a link block around it or blocks
            // after it do not matter.
            if (TableDone && (label == "END" || label == "TITLE"))
                break;
            if (label == "TITLE")
                ResetBlock();
            // Labels may trail the table; a second table in the same block is not read.
            if (TableDone && (label == "XYDATA" || label == "PEAKTABLE" || label == "XYPOINTS"))
                continue;
            if (!OnLabel(label, line.substr(eq + 1), lineNo, error))
                return false;
            continue;
        }
        if (Table != ETable::None && !TableDone && !OnDataLine(line, lineNo, error))
            return false;
        // Other lines continue a label's value (a long title or comment); nothing to read there.
    }
    return Finish(std::max(cursor.Number(), 1), out, error);
}

bool TJcampReader::Finish(int lastLine, TSampleSpectrum& out, std::string& error)
{
    if (Table == ETable::None) {
        error = LineMsg(lastLine, "no ##XYDATA, ##PEAK TABLE or ##XYPOINTS table found");
        return false;
    }
    const int endLine = LastDataLine ? LastDataLine : TableLine;

    // Abscissa unit: wavenumbers, or wavelengths turned into wavenumbers.
    double (*toWavenumber)(double) = [](double x) { return x; };
    if (XUnits == "MICROMETERS" || XUnits == "MICRONS" || XUnits == "UM")
        toWavenumber = [](double x) { return 1.0e4 / x; };
    else if (XUnits == "NANOMETERS" || XUnits == "NM")
        toWavenumber = [](double x) { return 1.0e7 / x; };
    else if (!XUnits.empty() && XUnits != "1/CM" && XUnits != "CM-1" && XUnits != "CM^-1") {
        error = LineMsg(XUnitsLine, "abscissa unit " + Quote(XUnits) + " is not supported (expected 1/CM)");
        return false;
    }

    EOrdinate kind = EOrdinate::Transmittance;
    if (YUnits.find("ABSORB") != std::string::npos)
        kind = EOrdinate::Absorbance;
    else if (YUnits.find("TRANSMIT") != std::string::npos || YUnits == "%T" || YUnits == "T")
        kind = (YUnits.find('%') != std::string::npos || YUnits.find("PERCENT") != std::string::npos)
                   ? EOrdinate::Percent
                   : EOrdinate::Transmittance;
    else if (!YUnits.empty()) {
        error = LineMsg(YUnitsLine, "ordinate unit " + Quote(YUnits) + " is neither transmittance nor absorbance");
        return false;
    }

    std::vector<TPoint> pts;
    if (Table == ETable::XYPairs) {
        if (PendingX) {
            error = LineMsg(endLine, "the table ends with an abscissa without its ordinate");
            return false;
        }
        if (NPoints && *NPoints != Pairs.size()) {
            error = LineMsg(endLine, "the table holds " + std::to_string(Pairs.size()) +
                                         " points but ##NPOINTS is " + std::to_string(*NPoints));
            return false;
        }
        pts = std::move(Pairs);
        for (TPoint& p : pts) {
            p.X = p.X * XFactor;
            p.Y *= YFactor;
        }
    } else {
        if (!FirstX || !LastX || !NPoints) {
            error = LineMsg(TableLine, "##XYDATA needs ##FIRSTX, ##LASTX and ##NPOINTS");
            return false;
        }
        if (*NPoints < 2 || *FirstX == *LastX) {
            error = LineMsg(NPointsLine, "##FIRSTX, ##LASTX and ##NPOINTS do not describe two or more abscissas");
            return false;
        }
        // Every ordinate's abscissa follows from the spacing; the abscissa opening each line is
        // only a check, written rounded to the file's precision.
        const double delta = (*LastX - *FirstX) / static_cast<double>(*NPoints - 1);
        for (const TRow& row : Rows) {
            const double expected = *FirstX + static_cast<double>(row.FirstY) * delta;
            const double given = row.X * XFactor;
            const double tolerance = std::abs(delta) + 0.5 * std::abs(XFactor) + 1e-7 * std::abs(expected);
            if (std::abs(given - expected) > tolerance) {
                error = LineMsg(row.Line, "abscissa " + FormatValue(given) + " disagrees with ##FIRSTX, ##LASTX and "
                                          "##NPOINTS (expected " + FormatValue(expected) + ")");
                return false;
            }
        }
        if (Ys.size() != *NPoints) {
            error = LineMsg(endLine, "the table holds " + std::to_string(Ys.size()) +
                                         " ordinates but ##NPOINTS is " + std::to_string(*NPoints));
            return false;
        }
        pts.reserve(Ys.size());
        for (const TRow& row : Rows)
            for (size_t k = row.FirstY; k < row.FirstY + row.Count; ++k)
                pts.push_back({*FirstX + static_cast<double>(k) * delta, Ys[k] * YFactor, row.Line});
    }
    for (TPoint& p : pts) {
        p.X = toWavenumber(p.X);
        if (!(p.X > 0.0) || !std::isfinite(p.X)) {
            error = LineMsg(p.Line, "abscissa does not give a positive wavenumber");
            return false;
        }
    }
    return FinishSpectrum(pts, kind, endLine, out, error);
}

bool LooksLikeJcamp(std::string_view text)
{
    TLineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(line)) {
        line = Trim(line);
        if (line.empty())
            continue;
        return line.substr(0, 2) == "##" && line.find('=') != std::string_view::npos;
    }
    return false;
}

}   // namespace

double TSampleSpectrum::TransmittanceAt(double wavenumber) const
{
    if (X.size() < 2 || X.size() != T.size() || !(wavenumber >= X.front() && wavenumber <= X.back()))
        return 100.0;
    const auto it = std::lower_bound(X.begin(), X.end(), wavenumber);
    const size_t i = static_cast<size_t>(it - X.begin());
    if (i == 0)
        return T.front();
    const double x0 = X[i - 1], x1 = X[i];
    if (x1 <= x0)
        return T[i];
    return T[i - 1] + (T[i] - T[i - 1]) * (wavenumber - x0) / (x1 - x0);
}

TSampleSpectrum BuiltinPolystyrene()
{
    constexpr double kStep = 0.5;
    constexpr int kCount = static_cast<int>((kInstrumentHigh - kInstrumentLow) / kStep) + 1;
    TSampleSpectrum s;
    s.X.reserve(kCount);
    s.T.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        const double x = kInstrumentLow + kStep * i;
        double a = 0.0;
        for (const TBand& b : kPolystyreneBands)
            a += BandAbsorbance(b, x);
        s.X.push_back(x);
        s.T.push_back(FilmBaseline(x) * std::pow(10.0, -a));
    }
    return s;
}

TSampleSpectrum EmptyBeam()
{
    return {};
}

TSampleSpectrum BuiltinQuartzPellet(double quartzMg)
{
    constexpr double kStep = 0.5;
    constexpr int kCount = static_cast<int>((kInstrumentHigh - kInstrumentLow) / kStep) + 1;
    const double mg = std::clamp(quartzMg, 0.0, kMaxQuartzMg);
    TSampleSpectrum s;
    s.X.reserve(kCount);
    s.T.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        const double x = kInstrumentLow + kStep * i;
        double a = 0.0;
        for (const TBand& b : kQuartzBandsPerMg)
            a += BandAbsorbance(b, x);
        s.X.push_back(x);
        s.T.push_back(PelletBaseline(x) * std::pow(10.0, -a * mg));
    }
    return s;
}

bool ParseQuartzSample(const std::string& source, double& quartzMg, std::string& error)
{
    // Only "quartz" itself and "quartz:..." are taken; a file called quartz.csv is still a file.
    constexpr std::string_view kPrefix = "quartz";
    if (source != kPrefix && source.compare(0, kPrefix.size() + 1, "quartz:") != 0)
        return false;
    const std::string_view rest = std::string_view(source).substr(kPrefix.size());
    double mg = -1;
    if (rest.size() > 1 && rest[0] == ':') {
        const std::string_view number = rest.substr(1);
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), mg);
        if (ec != std::errc() || end != number.data() + number.size())
            mg = -1;
    }
    if (!(mg >= 0 && mg <= kMaxQuartzMg)) {
        error = "quartz sample: give the amount as quartz:MG, MG from 0 to " +
                std::to_string(static_cast<int>(kMaxQuartzMg)) + " mg";
        return false;
    }
    quartzMg = mg;
    return true;
}

bool ParseSampleSpectrum(std::string_view text, TSampleSpectrum& out, std::string& error)
{
    if (text.size() > kMaxSampleFileBytes) {
        error = "the file is larger than " + std::to_string(kMaxSampleFileBytes / (1024 * 1024)) + " MiB";
        return false;
    }
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
        error = "line 1: UTF-16 text is not supported; save the file as UTF-8 or plain text";
        return false;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const auto before = text.substr(0, nul);
        const int line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
        error = LineMsg(line, "binary data (a NUL byte); not a text file");
        return false;
    }
    if (LooksLikeJcamp(text)) {
        TJcampReader reader;
        return reader.Parse(text, out, error);
    }
    return ParseTwoColumn(text, out, error);
}

bool LoadSampleSpectrum(const std::string& path, TSampleSpectrum& out, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        error = path + ": is a folder, not a file";
        return false;
    }
    const auto tooLarge = [&] {
        error = path + ": the file is larger than " + std::to_string(kMaxSampleFileBytes / (1024 * 1024)) + " MiB";
        return false;
    };
    if (fs::is_regular_file(path, ec)) {
        const auto size = fs::file_size(path, ec);
        if (!ec && size > kMaxSampleFileBytes)
            return tooLarge();
    }
    // A FIFO would keep the open waiting for a writer, a device never end.
    if (fs::exists(path, ec) && !IsRegularFile(path)) {
        error = path + ": not a regular file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot open the file";
        return false;
    }
    // Read in pieces up to the limit: the size asked beforehand means nothing for a pipe or a
    // device, and a file may grow while it is read.
    std::string text;
    std::vector<char> chunk(1 << 16);
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<size_t>(file.gcount());
        if (text.size() + got > kMaxSampleFileBytes)
            return tooLarge();
        text.append(chunk.data(), got);
    }
    if (file.bad()) {
        error = path + ": read error";
        return false;
    }
    TSampleSpectrum s;
    if (!ParseSampleSpectrum(text, s, error)) {
        error = path + ": " + error;
        return false;
    }
    out = std::move(s);
    return true;
}
