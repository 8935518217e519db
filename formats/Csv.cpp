#include "formats/Csv.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "formats/Jcamp.h"
#include "formats/TextLines.h"

namespace {

std::string At(std::size_t line)
{
    return "line " + std::to_string(line) + ": ";
}

std::string Quoted(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c == '\r' || c == '\n' ? ' ' : c;
    }
    return out + "\"";
}

std::string FloatText(double v)
{
    if (!std::isfinite(v))
        return std::string();
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
    return std::string(buf, r.ptr);
}

std::string XText(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

const char* UnitOf(int mode)
{
    switch (mode) {
        case 0:
            return "%T";
        case 1:
            return "Abs";
        default:
            return "SB";
    }
}

std::vector<std::string> SplitFields(std::string_view line, char sep)
{
    std::vector<std::string> fields;
    std::string cur;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cur += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == sep) {
            fields.push_back(std::string(Trim(cur)));
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields.push_back(std::string(Trim(cur)));
    return fields;
}

bool Number(const std::string& s, double& v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(v) && s.find_first_of("xXnN") == std::string::npos;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct TColumnHead {
    std::string Title;
    int Mode = 0;
    bool Percent = false;  // the header says percent outright
    bool Transmittance = false;
};

TColumnHead ParseHead(const std::string& cell)
{
    TColumnHead h;
    const std::string l = Lower(cell);
    h.Title = cell;
    const std::size_t open = cell.rfind('(');
    if (open != std::string::npos && cell.back() == ')')
        h.Title = std::string(Trim(std::string_view(cell).substr(0, open)));
    if (l.find("abs") != std::string::npos || cell.find("吸光度") != std::string::npos) {
        h.Mode = 1;
    } else if (l.find("(sb)") != std::string::npos || l.find("energy") != std::string::npos ||
               l.find("single") != std::string::npos || cell.find("能量") != std::string::npos ||
               cell.find("单光束") != std::string::npos) {
        h.Mode = 2;
    } else {
        h.Mode = 0;
        h.Percent = cell.find('%') != std::string::npos;
        h.Transmittance = true;
    }
    return h;
}

}  // namespace

namespace {

std::string AbscissaHead(const TSpectrum& s)
{
    return s.TimeDrive() ? "time (s)" : "wavenumber (cm-1)";
}

std::string OrdinateHead(const TSpectrum& s)
{
    return Quoted((s.Title.empty() ? std::string() : s.Title + " ") + "(" + UnitOf(s.Params.Mode) + ")");
}

// Spectra on the first one's very abscissas can share its column.
bool SameAbscissas(const std::vector<TSpectrum>& spectra, const std::vector<double>& x)
{
    std::vector<double> xk, yk;
    for (std::size_t k = 1; k < spectra.size(); ++k) {
        spectra[k].Flatten(xk, yk);
        if (xk != x || spectra[k].TimeDrive() != spectra.front().TimeDrive())
            return false;
    }
    return true;
}

}  // namespace

std::string WriteCsv(const std::vector<TSpectrum>& spectra)
{
    std::string out;
    if (spectra.empty())
        return out;
    std::vector<double> x, y;
    spectra.front().Flatten(x, y);
    if (SameAbscissas(spectra, x)) {
        out += AbscissaHead(spectra.front());
        for (const TSpectrum& s : spectra)
            out += "," + OrdinateHead(s);
        out += '\n';
        std::vector<std::vector<double>> ys(spectra.size());
        for (std::size_t k = 0; k < spectra.size(); ++k)
            spectra[k].Flatten(x, ys[k]);
        for (std::size_t i = 0; i < x.size(); ++i) {
            out += XText(x[i]);
            for (std::size_t k = 0; k < spectra.size(); ++k) {
                out += ',';
                out += FloatText(ys[k][i]);
            }
            out += '\n';
        }
        return out;
    }
    // Spectra on different abscissas each keep their own column beside
    // their values, so that every point is written as measured.
    std::vector<std::vector<double>> xs(spectra.size()), ys(spectra.size());
    std::size_t rows = 0;
    for (std::size_t k = 0; k < spectra.size(); ++k) {
        spectra[k].Flatten(xs[k], ys[k]);
        rows = std::max(rows, xs[k].size());
        out += (k > 0 ? "," : "") + AbscissaHead(spectra[k]) + "," + OrdinateHead(spectra[k]);
    }
    out += '\n';
    for (std::size_t i = 0; i < rows; ++i) {
        for (std::size_t k = 0; k < spectra.size(); ++k) {
            if (k > 0)
                out += ',';
            if (i < xs[k].size())
                out += XText(xs[k][i]) + "," + FloatText(ys[k][i]);
            else
                out += ',';
        }
        out += '\n';
    }
    return out;
}

namespace {

bool TimeHead(const std::string& utf8)
{
    const std::string l = Lower(utf8);
    return l.find("time") != std::string::npos || l.find("(s)") != std::string::npos ||
           utf8.find("时间") != std::string::npos || utf8.find("秒") != std::string::npos;
}

// A header cell that names an abscissa (this program writes one per
// spectrum when their abscissas differ).
bool AbscissaHeadCell(const std::string& utf8)
{
    const std::string l = Lower(utf8);
    return TimeHead(utf8) || l.find("wavenumber") != std::string::npos ||
           l.find("cm-1") != std::string::npos || l.find("1/cm") != std::string::npos ||
           utf8.find("波数") != std::string::npos;
}

struct TColumn {
    TColumnHead Head;
    std::size_t X = 0, Y = 1;  // field indices
    bool Time = false;
    std::vector<double> Xs, Ys;
};

}  // namespace

bool ReadCsv(std::string_view text, std::vector<TSpectrum>& out, std::string& error)
{
    char sep = 0;
    bool headerSeen = false, dataSeen = false, time = false, pairs = false;
    std::vector<TColumn> columns;
    std::size_t fields = 0;  // of the header, or of the first data row
    std::size_t rows = 0;
    const bool ok = ForEachLine(
        text,
        [&](std::size_t n, std::string_view raw) {
            const std::string_view line = Trim(raw);
            if (line.empty() || line[0] == '#')
                return true;
            if (sep == 0)
                sep = line.find('\t') != std::string_view::npos  ? '\t'
                      : line.find(';') != std::string_view::npos ? ';'
                                                                 : ',';
            const std::vector<std::string> f = SplitFields(line, sep);
            double x;
            if (!dataSeen && !headerSeen && !Number(f[0], x)) {
                headerSeen = true;
                fields = f.size();
                std::vector<std::string> cells;
                for (const std::string& c : f)
                    cells.push_back(FileTextToUtf8(c));
                time = TimeHead(cells[0]);
                for (std::size_t k = 2; k < cells.size(); k += 2)
                    pairs = pairs || AbscissaHeadCell(cells[k]);
                if (pairs && cells.size() % 2 != 0) {
                    error = At(n) + "an abscissa column without its values";
                    return false;
                }
                for (std::size_t k = 1; k < cells.size(); k += pairs ? 2 : 1) {
                    TColumn c;
                    c.Head = ParseHead(cells[k]);
                    c.X = pairs ? k - 1 : 0;
                    c.Y = k;
                    c.Time = TimeHead(cells[c.X]);
                    columns.push_back(std::move(c));
                }
                return true;
            }
            if (!dataSeen) {
                dataSeen = true;
                if (!headerSeen) {
                    fields = f.size();
                    for (std::size_t k = 1; k < f.size(); ++k) {
                        TColumn c;
                        c.Head.Transmittance = true;
                        c.Y = k;
                        columns.push_back(std::move(c));
                    }
                }
                if (columns.empty() || columns.size() > MaxCsvColumns) {
                    error =
                        At(n) + (columns.empty() ? std::string("no ordinate column")
                                                 : "more than " + std::to_string(MaxCsvColumns) + " columns");
                    return false;
                }
            }
            if (!pairs && !Number(f[0], x)) {
                error = At(n) + "'" + f[0].substr(0, 40) + "' is not a number";
                return false;
            }
            if (f.size() > fields) {
                error =
                    At(n) + std::to_string(f.size()) + " fields, the header has " + std::to_string(fields);
                return false;
            }
            if (++rows > MaxSpectrumPoints) {
                error = At(n) + "more than " + std::to_string(MaxSpectrumPoints) + " rows";
                return false;
            }
            for (TColumn& c : columns) {
                if (c.Y >= f.size() || f[c.Y].empty())
                    continue;
                double v;
                if (!Number(f[c.X], x)) {
                    error = At(n) + "'" + f[c.X].substr(0, 40) + "' is not a number";
                    return false;
                }
                if (!Number(f[c.Y], v) || std::fabs(v) > MaxOrdinate) {
                    error = At(n) + "'" + f[c.Y].substr(0, 40) + "' is not a number a curve can hold";
                    return false;
                }
                c.Xs.push_back(x);
                c.Ys.push_back(v);
            }
            return true;
        },
        error);
    if (!ok)
        return false;
    if (!dataSeen) {
        error = "no data rows";
        return false;
    }
    std::vector<TSpectrum> spectra;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        TColumn& c = columns[k];
        if (c.Xs.empty())
            continue;
        TSpectrum s;
        s.Title = c.Head.Title.empty() ? "curve " + std::to_string(k + 1) : c.Head.Title;
        s.Params.Mode = static_cast<uint8_t>(c.Head.Mode);
        s.Params.ScanMode = (pairs ? c.Time : time) ? 2 : 0;
        if (c.Head.Transmittance && !c.Head.Percent &&
            std::all_of(c.Ys.begin(), c.Ys.end(), [](double v) { return v >= 0.0 && v <= 1.5; }))
            for (double& v : c.Ys)
                v *= 100.0;
        std::string why;
        if (!PartsFromPoints(c.Xs, c.Ys, s.Parts, why)) {
            error = "column " + std::to_string(c.Y + 1) + ": " + why;
            return false;
        }
        FillRangesFromData(s);
        spectra.push_back(std::move(s));
    }
    if (spectra.empty()) {
        error = "no values";
        return false;
    }
    out = std::move(spectra);
    return true;
}

bool ReadCsvFile(const std::string& path, std::vector<TSpectrum>& out, std::string& error)
{
    std::string text;
    if (!ReadTextFile(path, text, error))
        return false;
    if (!ReadCsv(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
