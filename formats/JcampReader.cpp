// JCAMP-DX reader. The whole text is walked once; tables are decoded while
// they are read, against the counts announced before them, so no count from
// the file ever sizes an allocation beyond MaxSpectrumPoints.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "acquisition/ApparaZQ735.h"
#include "formats/Jcamp.h"
#include "formats/TextLines.h"
#include "text/GbkText.h"

namespace {

constexpr std::size_t MaxLabelValue = 4096;

std::string At(std::size_t line)
{
    return "line " + std::to_string(line) + ": ";
}

// "##DATA TYPE" and "##DATATYPE", "##X_UNITS" and "##XUNITS" name the same label.
std::string NormalName(std::string_view s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '-' && c != '/' && c != '_' && c != '\t')
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string Upper(std::string_view s)
{
    std::string out(Trim(s));
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string StripComment(std::string_view line, std::size_t from)
{
    const std::size_t c = line.find("$$", from);
    return std::string(Trim(c == std::string_view::npos ? line : line.substr(0, c)));
}

enum class TKind { Abs, Dif, Dup, Missing };

struct TToken {
    TKind Kind;
    double Value;
};

int PseudoDigit(char c, TKind& kind)
{
    if (c == '@') {
        kind = TKind::Abs;
        return 0;
    }
    if (c >= 'A' && c <= 'I') {
        kind = TKind::Abs;
        return c - 'A' + 1;
    }
    if (c >= 'a' && c <= 'i') {
        kind = TKind::Abs;
        return -(c - 'a' + 1);
    }
    if (c == '%') {
        kind = TKind::Dif;
        return 0;
    }
    if (c >= 'J' && c <= 'R') {
        kind = TKind::Dif;
        return c - 'J' + 1;
    }
    if (c >= 'j' && c <= 'r') {
        kind = TKind::Dif;
        return -(c - 'j' + 1);
    }
    if (c >= 'S' && c <= 'Z') {
        kind = TKind::Dup;
        return c - 'S' + 1;
    }
    if (c == 's') {
        kind = TKind::Dup;
        return 9;
    }
    return 100;
}

bool Tokenize(std::string_view s, std::size_t line, std::vector<TToken>& out, std::string& error)
{
    out.clear();
    std::size_t i = 0;
    auto digits = [&](std::size_t j) {
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            ++j;
        return j;
    };
    while (i < s.size()) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == ',' || c == ';') {
            ++i;
            continue;
        }
        if (c == '?') {
            out.push_back({TKind::Missing, 0.0});
            ++i;
            continue;
        }
        std::string number;
        TKind kind = TKind::Abs;
        std::size_t j;
        if (c == '+' || c == '-' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
            j = (c == '+' || c == '-') ? i + 1 : i;
            std::size_t k = digits(j);
            bool any = k > j;
            if (k < s.size() && s[k] == '.') {
                const std::size_t f = digits(k + 1);
                any = any || f > k + 1;
                k = f;
            }
            if (!any) {
                error = At(line) + "'" + std::string(s.substr(i, k + 1 - i)) + "' is not a number";
                return false;
            }
            if (k + 2 < s.size() + 0 && (s[k] == 'E' || s[k] == 'e') &&
                (s[k + 1] == '+' || s[k + 1] == '-') && std::isdigit(static_cast<unsigned char>(s[k + 2])))
                k = digits(k + 2);
            number.assign(s.substr(i, k - i));
            j = k;
        } else {
            const int d = PseudoDigit(c, kind);
            if (d == 100) {
                error = At(line) + "unexpected character '" + std::string(1, c) + "' in the data table";
                return false;
            }
            j = digits(i + 1);
            if (j < s.size() && s[j] == '.')
                j = digits(j + 1);
            number =
                (d < 0 ? "-" : "") + std::to_string(std::abs(d)) + std::string(s.substr(i + 1, j - i - 1));
        }
        const double v = std::strtod(number.c_str(), nullptr);
        if (!std::isfinite(v) || (kind == TKind::Dup && (v < 1 || v != std::floor(v) || v > 1e7))) {
            error = At(line) + "'" + std::string(s.substr(i, j - i)) + "' is out of range";
            return false;
        }
        out.push_back({kind, v});
        i = j;
    }
    return true;
}

bool ParseReal(std::string_view text, double& v)
{
    const std::string s(Trim(text));
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end != s.c_str() && Trim(std::string_view(end)).empty() && std::isfinite(v);
}

struct TLabel {
    std::string Name;  // normalised
    std::string Value;
    std::size_t Line;
};

// A table (X++(Y..Y)) being decoded.
struct TTable {
    double FirstX = 0, LastX = 0, XFactor = 1, YFactor = 1, Delta = 0;
    std::size_t Points = 0;
    std::vector<double> Y;  // as written, before YFACTOR
    bool EndsOnDif = false;
    bool HaveLast = false;  // a value to continue differences from
    double Last = 0.0;
    std::size_t Line = 0;  // line of ##XYDATA=
};

struct TBlock {
    std::size_t TitleLine = 0;
    int Parent = -1;
    std::vector<TLabel> Labels;
    bool Open = true;
    std::unique_ptr<TTable> Table;  // a decoded (X++(Y..Y)) table
    bool HasTable = false;          // any table, decoded or not

    const TLabel* Find(std::string_view name) const
    {
        for (const TLabel& l : Labels)
            if (l.Name == name)
                return &l;
        return nullptr;
    }
    std::string Text(std::string_view name) const
    {
        const TLabel* l = Find(name);
        return l ? std::string(Trim(l->Value)) : std::string();
    }
    bool IsLink() const { return Find("BLOCKS") != nullptr; }
};

class TReader {
public:
    bool Run(std::string_view text, std::string& error);
    bool SelectAll(std::vector<TSpectrum>& out, std::string& error);

private:
    bool OnLine(std::size_t n, std::string_view raw);
    bool OnLabel(std::size_t n, std::string_view line);
    bool StartTable(std::size_t n, TBlock& b, const TLabel& label);
    bool DataLine(std::size_t n, const std::string& line);
    bool EndTable(std::size_t n);
    bool ToSpectrum(const std::vector<int>& blocks, int titleBlock, TSpectrum& out, std::string& error) const;
    bool Joined(const std::vector<int>& parts) const;

    std::vector<TBlock> FBlocks;
    std::vector<int> FStack;
    TLabel* FValue = nullptr;  // label whose value continues on the next lines
    bool FInTable = false;
    TTable* FTable = nullptr;  // the table being decoded, if it is one we decode
    std::string FError;
    std::vector<TToken> FTokens;
};

bool TReader::Run(std::string_view text, std::string& error)
{
    std::size_t lastLine = 0;
    const bool ok = ForEachLine(
        text,
        [&](std::size_t n, std::string_view line) {
            lastLine = n;
            return OnLine(n, line);
        },
        FError);
    if (!ok) {
        error = FError;
        return false;
    }
    if (!FStack.empty()) {
        const TBlock& b = FBlocks[static_cast<std::size_t>(FStack.back())];
        error = At(lastLine) + "the file ends without the ##END= of the block begun on line " +
                std::to_string(b.TitleLine);
        return false;
    }
    if (FBlocks.empty()) {
        error = "not a JCAMP-DX file: no ##TITLE=";
        return false;
    }
    return true;
}

bool TReader::OnLine(std::size_t n, std::string_view raw)
{
    // A label starts its line; a continuation line of a text may hold "##"
    // further in.
    const std::string_view t = Trim(raw);
    if (raw.substr(0, 2) == "##")
        return OnLabel(n, t);
    if (FInTable) {
        const std::string line = StripComment(t, 0);
        if (FTable == nullptr || line.empty())
            return true;
        return DataLine(n, line);
    }
    if (FValue != nullptr && !FStack.empty()) {
        const std::string more = StripComment(t, 0);
        if (FValue->Value.size() + more.size() < MaxLabelValue)
            FValue->Value += "\n" + more;
    }
    return true;
}

bool TReader::OnLabel(std::size_t n, std::string_view line)
{
    const std::size_t eq = line.find('=');
    // A line of nothing but a comment ("##$$ ...") is no label.
    if (line.substr(0, 4) == "##$$")
        return true;
    if (eq == std::string_view::npos) {
        FError = At(n) + "a label without '='";
        return false;
    }
    if (FInTable && !EndTable(n))
        return false;
    FValue = nullptr;
    TLabel label{NormalName(line.substr(2, eq - 2)), StripComment(line.substr(eq + 1), 0), n};
    if (label.Value.size() > MaxLabelValue)
        label.Value.resize(MaxLabelValue);

    if (label.Name == "TITLE") {
        if (!FStack.empty()) {
            const TBlock& top = FBlocks[static_cast<std::size_t>(FStack.back())];
            if (!top.IsLink()) {
                FError = At(n) + "##TITLE= before the ##END= of the block begun on line " +
                         std::to_string(top.TitleLine);
                return false;
            }
        }
        TBlock b;
        b.TitleLine = n;
        b.Parent = FStack.empty() ? -1 : FStack.back();
        FBlocks.push_back(std::move(b));
        FStack.push_back(static_cast<int>(FBlocks.size() - 1));
    }
    if (FStack.empty())
        return true;  // text outside any block is not ours to judge
    TBlock& b = FBlocks[static_cast<std::size_t>(FStack.back())];
    if (label.Name == "END") {
        b.Open = false;
        FStack.pop_back();
        return true;
    }
    b.Labels.push_back(std::move(label));
    TLabel& stored = b.Labels.back();
    if (stored.Value.size() > 1 && stored.Value[0] == '(' &&
        (stored.Name == "XYDATA" || stored.Name == "XYPOINTS" || stored.Name == "PEAKTABLE" ||
         stored.Name == "DATATABLE" || stored.Name == "PEAKASSIGNMENTS" || stored.Name == "RADATA")) {
        FInTable = true;
        b.HasTable = true;
        if (stored.Name == "XYDATA" && NormalName(stored.Value) == "(X++(Y..Y))")
            return StartTable(n, b, stored);
        return true;
    }
    FValue = &stored;
    return true;
}

bool TReader::StartTable(std::size_t n, TBlock& b, const TLabel& label)
{
    (void)label;
    if (b.Table) {
        FError = At(n) + "a second ##XYDATA= in one block";
        return false;
    }
    auto t = std::make_unique<TTable>();
    t->Line = n;
    const char* required[] = {"FIRSTX", "LASTX", "NPOINTS"};
    for (const char* name : required) {
        if (b.Find(name) == nullptr) {
            FError = At(n) + "##XYDATA= without ##" + name + "= before it";
            return false;
        }
    }
    auto real = [&](const char* name, double& v, double fallback) {
        const TLabel* l = b.Find(name);
        if (l == nullptr) {
            v = fallback;
            return true;
        }
        if (!ParseReal(l->Value, v)) {
            FError = At(l->Line) + "##" + name + "= is not a number";
            return false;
        }
        return true;
    };
    double points = 0;
    if (!real("FIRSTX", t->FirstX, 0) || !real("LASTX", t->LastX, 0) || !real("NPOINTS", points, 0) ||
        !real("XFACTOR", t->XFactor, 1) || !real("YFACTOR", t->YFactor, 1))
        return false;
    const TLabel* np = b.Find("NPOINTS");
    if (points < 1 || points != std::floor(points) || points > static_cast<double>(MaxSpectrumPoints)) {
        FError = At(np->Line) + "##NPOINTS=" + np->Value + " is not a count from 1 to " +
                 std::to_string(MaxSpectrumPoints);
        return false;
    }
    if (t->XFactor == 0 || t->YFactor == 0) {
        FError = At(n) + "##XFACTOR= or ##YFACTOR= is zero";
        return false;
    }
    t->Points = static_cast<std::size_t>(points);
    t->Delta = t->Points > 1 ? (t->LastX - t->FirstX) / static_cast<double>(t->Points - 1) : 0.0;
    t->Y.reserve(t->Points);
    b.Table = std::move(t);
    FTable = b.Table.get();
    return true;
}

bool TReader::DataLine(std::size_t n, const std::string& line)
{
    TTable& t = *FTable;
    if (!Tokenize(line, n, FTokens, FError))
        return false;
    if (FTokens.empty())
        return true;
    if (FTokens[0].Kind != TKind::Abs) {
        FError = At(n) + "a data line must start with its abscissa";
        return false;
    }
    const double x = FTokens[0].Value * t.XFactor;
    std::size_t first = 1;
    std::size_t start = t.Y.size();  // index of the line's first ordinate
    // After a line that ended on a difference, the next line repeats the last
    // value as a check. Its abscissa tells a check from a writer that leaves
    // the check out.
    if (t.EndsOnDif && FTokens.size() > 1 && FTokens[1].Kind == TKind::Abs && !t.Y.empty()) {
        const double xCheck = t.FirstX + t.Delta * static_cast<double>(t.Y.size() - 1);
        const double xNext = t.FirstX + t.Delta * static_cast<double>(t.Y.size());
        if (std::fabs(x - xCheck) <= std::fabs(x - xNext)) {
            if (FTokens[1].Value != t.Y.back()) {
                FError = At(n) + "the DIF check value does not repeat the last value of the line before";
                return false;
            }
            first = 2;
            start = t.Y.size() - 1;
        }
    }
    if (t.Points > 1) {
        const double expected = t.FirstX + t.Delta * static_cast<double>(start);
        if (std::fabs(x - expected) > std::fabs(t.Delta) + 1e-6 * std::fabs(expected)) {
            FError = At(n) + "the abscissa " + std::to_string(x) + " does not follow the table (expected " +
                     std::to_string(expected) + ")";
            return false;
        }
    }
    auto push = [&](double v) {
        if (t.Y.size() >= t.Points) {
            FError = At(n) + "more values than ##NPOINTS=" + std::to_string(t.Points);
            return false;
        }
        t.Y.push_back(v);
        return true;
    };
    TKind lastKind = TKind::Missing;
    bool any = first == 2;
    double lastDif = 0.0;
    if (first == 2)
        lastKind = TKind::Abs;
    for (std::size_t i = first; i < FTokens.size(); ++i) {
        const TToken& tok = FTokens[i];
        switch (tok.Kind) {
            case TKind::Abs:
                if (!push(tok.Value))
                    return false;
                t.Last = tok.Value;
                t.HaveLast = true;
                break;
            case TKind::Dif:
                if (!t.HaveLast) {
                    FError = At(n) + "a difference (DIF) without a value before it";
                    return false;
                }
                t.Last += tok.Value;
                lastDif = tok.Value;
                if (!push(t.Last))
                    return false;
                break;
            case TKind::Dup:
                if (!any) {
                    FError = At(n) + "a repeat count (DUP) without a value before it";
                    return false;
                }
                for (double k = 1; k < tok.Value; ++k) {
                    if (lastKind == TKind::Dif)
                        t.Last += lastDif;
                    if (!push(lastKind == TKind::Missing ? NAN : t.Last))
                        return false;
                }
                continue;  // the kind of the repeated token stays in force
            case TKind::Missing:
                if (!push(NAN))
                    return false;
                t.HaveLast = false;
                break;
        }
        lastKind = tok.Kind;
        any = true;
    }
    t.EndsOnDif = lastKind == TKind::Dif;
    return true;
}

bool TReader::EndTable(std::size_t n)
{
    FInTable = false;
    if (FTable == nullptr)
        return true;
    TTable& t = *FTable;
    FTable = nullptr;
    if (t.Y.size() != t.Points) {
        FError = At(n) + "the table begun on line " + std::to_string(t.Line) + " holds " +
                 std::to_string(t.Y.size()) + " values, ##NPOINTS= says " + std::to_string(t.Points);
        return false;
    }
    return true;
}

bool Infrared(const TBlock& b)
{
    if (!b.Table)
        return false;
    const std::string type = Upper(b.Text("DATATYPE"));
    if (type.empty())
        return true;
    return type.find("INFRARED") != std::string::npos && type.find("INTERFEROGRAM") == std::string::npos;
}

// Blocks that continue one another: each starts where the one before ends,
// in the same units.
bool TReader::Joined(const std::vector<int>& parts) const
{
    for (std::size_t k = 1; k < parts.size(); ++k) {
        const TBlock& pa = FBlocks[static_cast<std::size_t>(parts[k - 1])];
        const TBlock& pb = FBlocks[static_cast<std::size_t>(parts[k])];
        const TTable& a = *pa.Table;
        const TTable& b = *pb.Table;
        if (!(std::fabs(a.LastX - b.FirstX) <= 1e-6 * std::max(1.0, std::fabs(a.LastX)) &&
              Upper(pb.Text("XUNITS")) == Upper(pa.Text("XUNITS")) &&
              Upper(pb.Text("YUNITS")) == Upper(pa.Text("YUNITS"))))
            return false;
    }
    return true;
}

bool TReader::SelectAll(std::vector<TSpectrum>& out, std::string& error)
{
    // Each spectrum as the blocks it is made of and the block giving its title.
    std::vector<std::pair<std::vector<int>, int>> found;
    std::vector<bool> taken(FBlocks.size(), false);
    for (std::size_t i = 0; i < FBlocks.size(); ++i) {
        const TBlock& link = FBlocks[i];
        if (!link.IsLink())
            continue;
        std::vector<int> children;
        for (std::size_t k = i + 1; k < FBlocks.size(); ++k)
            if (FBlocks[k].Parent == static_cast<int>(i) && Infrared(FBlocks[k]))
                children.push_back(static_cast<int>(k));
        double count = 0;
        if (ParseReal(link.Text("$CURVES"), count) && count >= 2 && count <= 64) {
            // Several curves written by this program: the blocks of each
            // curve in their order, each curve's parts joined again.
            for (int curve = 1; curve <= static_cast<int>(count); ++curve) {
                std::vector<int> parts;
                for (int k : children) {
                    double c = 0;
                    if (ParseReal(FBlocks[static_cast<std::size_t>(k)].Text("$CURVE"), c) && c == curve)
                        parts.push_back(k);
                }
                if (parts.empty() || !Joined(parts))
                    continue;
                for (int k : parts)
                    taken[static_cast<std::size_t>(k)] = true;
                found.push_back({parts, parts.front()});
            }
        } else if (ParseReal(link.Text("$SEGMENTS"), count) && count >= 2 && count <= 16) {
            // Parts of one scan written as a compound file by this program.
            if (children.size() > static_cast<std::size_t>(count))
                children.resize(static_cast<std::size_t>(count));
            if (children.size() == static_cast<std::size_t>(count) && Joined(children)) {
                for (int k : children)
                    taken[static_cast<std::size_t>(k)] = true;
                found.push_back({children, static_cast<int>(i)});
            }
        }
    }
    // Every other infrared block is a spectrum of its own.
    for (std::size_t i = 0; i < FBlocks.size(); ++i)
        if (!taken[i] && Infrared(FBlocks[i]))
            found.push_back({{static_cast<int>(i)}, static_cast<int>(i)});
    if (found.empty()) {
        error = "no infrared spectrum in the form ##XYDATA=(X++(Y..Y)) in this file";
        return false;
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first.front() < b.first.front(); });
    std::vector<TSpectrum> spectra;
    for (const auto& [blocks, title] : found) {
        TSpectrum s;
        if (!ToSpectrum(blocks, title, s, error))
            return false;
        spectra.push_back(std::move(s));
    }
    out = std::move(spectra);
    return true;
}

// ##LONGDATE= as "YYYY/MM/DD HH:MM:SS" (the time may be missing, or carry
// fractions of a second); empty unless it is a date on the calendar.
std::string LongDateText(const std::string& value)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    char tail = 0;
    const int n = std::sscanf(value.c_str(), "%4d/%2d/%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &sec, &tail);
    if (n != 3 && n != 6 && !(n == 7 && tail == '.'))
        return std::string();
    TScanDateTime date{static_cast<int16_t>(y), static_cast<int16_t>(mo), static_cast<int16_t>(d),
                       static_cast<int16_t>(h), static_cast<int16_t>(mi), static_cast<int16_t>(sec)};
    if (!ScanDateValid(date))
        return std::string();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", y, mo, d, h, mi, sec);
    return buf;
}

// Private labels of this program's own files, each within its range.
void ApplyPrivateLabels(const TBlock& b, TMeasureParams& p)
{
    auto integer = [&](const char* name, int lo, int hi, auto& field) {
        double v;
        if (ParseReal(b.Text(name), v) && v == std::floor(v) && v >= lo && v <= hi)
            field = static_cast<std::remove_reference_t<decltype(field)>>(v);
    };
    integer("$SPEED", 0, 4, p.Speed);
    integer("$SLIT", 1, 5, p.Slit);
    integer("$RESPONSE", 0, 3, p.Response);
    integer("$SCANCOUNT", 1, 1000, p.ScanCount);
    double v;
    if (ParseReal(b.Text("$SCANTIME"), v) && v > 0 && v <= 1e6)
        p.ScanTime = static_cast<float>(v);
    if (b.Find("$BATCHNO") != nullptr)
        SetGbkField(p.BatchNo, FileTextToUtf8(b.Text("$BATCHNO")));
    if (b.Find("$NOTE") != nullptr)
        SetGbkField(p.Note, FileTextToUtf8(b.Text("$NOTE")));
}

bool TReader::ToSpectrum(const std::vector<int>& blocks, int titleBlock, TSpectrum& out,
                         std::string& error) const
{
    const TBlock& first = FBlocks[static_cast<std::size_t>(blocks[0])];
    const std::string xu = NormalName(first.Text("XUNITS"));
    const std::string yu = Upper(first.Text("YUNITS"));
    enum { Wavenumber, Seconds, Micrometres, Nanometres } axis;
    if (xu == "1CM" || xu == "CM1" || xu == "CM^1" || xu == "WAVENUMBERS" || xu == "WAVENUMBER" ||
        xu == "WAVENUMBERS(CM1)" || xu == "1/CM")
        axis = Wavenumber;
    else if (xu == "SECONDS" || xu == "SECOND" || xu == "SEC" || xu == "S")
        axis = Seconds;
    else if (xu == "MICROMETERS" || xu == "MICROMETRES" || xu == "MICRONS" || xu == "UM")
        axis = Micrometres;
    else if (xu == "NANOMETERS" || xu == "NANOMETRES" || xu == "NM")
        axis = Nanometres;
    else {
        const TLabel* l = first.Find("XUNITS");
        error = (l ? At(l->Line) : At(first.TitleLine)) + "abscissa units '" + first.Text("XUNITS") +
                "' are not wavenumbers (1/CM), micrometres, nanometres or seconds";
        return false;
    }

    TSpectrum s;
    s.Title = FileTextToUtf8(FBlocks[static_cast<std::size_t>(titleBlock)].Text("TITLE"));
    TMeasureParams& p = s.Params;
    const bool transmittance = yu.find("TRANSMITTANCE") != std::string::npos || yu == "%T" || yu == "T";
    p.Mode = transmittance ? 0 : yu.find("ABSORBANCE") != std::string::npos ? 1 : 2;
    double scale = 1.0;
    if (transmittance) {
        // A fraction by the standard; many files hold percent all the same.
        bool percent = yu.find('%') != std::string::npos || yu.find("PERCENT") != std::string::npos;
        if (!percent) {
            double m = 0;
            for (int bi : blocks) {
                const TTable& t = *FBlocks[static_cast<std::size_t>(bi)].Table;
                for (double y : t.Y)
                    if (std::isfinite(y))
                        m = std::max(m, y * t.YFactor);
            }
            percent = m > 2.0;
        }
        scale = percent ? 1.0 : 100.0;
    }
    for (int bi : blocks) {
        const TTable& t = *FBlocks[static_cast<std::size_t>(bi)].Table;
        TSpectrumPart part;
        part.FirstX = t.FirstX;
        part.LastX = t.LastX;
        part.Y.resize(t.Y.size());
        for (std::size_t i = 0; i < t.Y.size(); ++i) {
            part.Y[i] = t.Y[i] * t.YFactor * scale;
            // Missing values stay missing; a factor that takes a value
            // beyond what a curve holds is damage, not a spectrum.
            if (!std::isnan(t.Y[i]) && !(std::fabs(part.Y[i]) <= MaxOrdinate)) {
                error = At(t.Line) + "##YFACTOR= gives ordinates beyond the range of a curve";
                return false;
            }
        }
        s.Parts.push_back(std::move(part));
    }
    if (axis == Micrometres || axis == Nanometres) {
        std::vector<double> x, y;
        s.Flatten(x, y);
        for (double& v : x) {
            if (v <= 0) {
                error = "a wavelength of zero or less";
                return false;
            }
            v = (axis == Micrometres ? 1e4 : 1e7) / v;
        }
        if (!PartsFromPoints(x, y, s.Parts, error))
            return false;
    }
    if (axis == Seconds)
        p.ScanMode = 2;
    else {
        double scanMode;
        p.ScanMode = ParseReal(first.Text("$SCANMODE"), scanMode) && scanMode == 1 ? 1 : 0;
    }
    ApplyPrivateLabels(first, p);
    const TBlock& titled = FBlocks[static_cast<std::size_t>(titleBlock)];
    s.LongDate =
        LongDateText(first.Find("LONGDATE") != nullptr ? first.Text("LONGDATE") : titled.Text("LONGDATE"));
    FillRangesFromData(s);
    double lo, hi;
    if (ParseReal(first.Text("$YSTART"), lo) && ParseReal(first.Text("$YEND"), hi) && lo < hi) {
        p.YStart = static_cast<float>(lo);
        p.YEnd = static_cast<float>(hi);
    }
    out = std::move(s);
    return true;
}

}  // namespace

bool ReadJcampAll(std::string_view text, std::vector<TSpectrum>& out, std::string& error)
{
    TReader r;
    return r.Run(text, error) && r.SelectAll(out, error);
}

bool ReadJcampAllFile(const std::string& path, std::vector<TSpectrum>& out, std::string& error)
{
    std::string text;
    if (!ReadTextFile(path, text, error))
        return false;
    if (!ReadJcampAll(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ReadJcamp(std::string_view text, TSpectrum& out, std::string& error)
{
    std::vector<TSpectrum> all;
    if (!ReadJcampAll(text, all, error))
        return false;
    out = std::move(all.front());
    return true;
}

bool ReadJcampFile(const std::string& path, TSpectrum& out, std::string& error)
{
    std::vector<TSpectrum> all;
    if (!ReadJcampAllFile(path, all, error))
        return false;
    out = std::move(all.front());
    return true;
}
