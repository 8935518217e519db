#include "formats/Csv.h"
#include "formats/Jcamp.h"
#include "formats/TextLines.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

std::string At(std::size_t line) { return "line " + std::to_string(line) + ": "; }

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
    case 0: return "%T";
    case 1: return "Abs";
    default: return "SB";
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
    bool Percent = false;   // the header says percent outright
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

std::string WriteCsv(const std::vector<TSpectrum>& spectra)
{
    std::string out;
    if (spectra.empty())
        return out;
    out += spectra.front().TimeDrive() ? "time (s)" : "wavenumber (cm-1)";
    for (const TSpectrum& s : spectra)
        out += "," + Quoted((s.Title.empty() ? std::string() : s.Title + " ") + "(" + UnitOf(s.Params.Mode) + ")");
    out += '\n';
    std::vector<double> x, y;
    spectra.front().Flatten(x, y);
    for (std::size_t i = 0; i < x.size(); ++i) {
        out += XText(x[i]);
        out += ',';
        out += FloatText(y[i]);
        for (std::size_t k = 1; k < spectra.size(); ++k) {
            double v;
            out += ',';
            if (SpectrumValueAt(spectra[k], x[i], v))
                out += FloatText(v);
        }
        out += '\n';
    }
    return out;
}

bool ReadCsv(std::string_view text, std::vector<TSpectrum>& out, std::string& error)
{
    char sep = 0;
    bool headerSeen = false, dataSeen = false, time = false;
    std::vector<TColumnHead> heads;
    std::vector<std::vector<double>> xs, ys;
    std::size_t rows = 0;
    const bool ok = ForEachLine(
        text,
        [&](std::size_t n, std::string_view raw) {
            const std::string_view line = Trim(raw);
            if (line.empty() || line[0] == '#')
                return true;
            if (sep == 0)
                sep = line.find('\t') != std::string_view::npos ? '\t'
                      : line.find(';') != std::string_view::npos ? ';'
                                                                 : ',';
            const std::vector<std::string> f = SplitFields(line, sep);
            double x;
            if (!Number(f[0], x)) {
                if (dataSeen || headerSeen) {
                    error = At(n) + "'" + f[0].substr(0, 40) + "' is not a number";
                    return false;
                }
                headerSeen = true;
                const std::string first = Lower(FileTextToUtf8(f[0]));
                time = first.find("time") != std::string::npos || first.find("(s)") != std::string::npos ||
                       first.find("时间") != std::string::npos || first.find("秒") != std::string::npos;
                for (std::size_t k = 1; k < f.size(); ++k)
                    heads.push_back(ParseHead(FileTextToUtf8(f[k])));
                return true;
            }
            if (!dataSeen) {
                dataSeen = true;
                while (!headerSeen && heads.size() < f.size() - 1) {
                    TColumnHead h;
                    h.Transmittance = true;
                    heads.push_back(h);
                }
                if (heads.empty() || heads.size() > MaxCsvColumns) {
                    error = At(n) + (heads.empty() ? std::string("no ordinate column")
                                                   : "more than " + std::to_string(MaxCsvColumns) + " columns");
                    return false;
                }
                xs.resize(heads.size());
                ys.resize(heads.size());
            }
            if (f.size() > heads.size() + 1) {
                error = At(n) + std::to_string(f.size()) + " fields, the header has " +
                        std::to_string(heads.size() + 1);
                return false;
            }
            if (++rows > MaxSpectrumPoints) {
                error = At(n) + "more than " + std::to_string(MaxSpectrumPoints) + " rows";
                return false;
            }
            for (std::size_t k = 1; k < f.size(); ++k) {
                if (f[k].empty())
                    continue;
                double v;
                if (!Number(f[k], v)) {
                    error = At(n) + "'" + f[k].substr(0, 40) + "' is not a number";
                    return false;
                }
                xs[k - 1].push_back(x);
                ys[k - 1].push_back(v);
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
    for (std::size_t k = 0; k < heads.size(); ++k) {
        if (xs[k].empty())
            continue;
        TSpectrum s;
        s.Title = heads[k].Title.empty() ? "curve " + std::to_string(k + 1) : heads[k].Title;
        s.Params.Mode = static_cast<uint8_t>(heads[k].Mode);
        s.Params.ScanMode = time ? 2 : 0;
        if (heads[k].Transmittance && !heads[k].Percent &&
            std::all_of(ys[k].begin(), ys[k].end(), [](double v) { return v >= 0.0 && v <= 1.5; }))
            for (double& v : ys[k])
                v *= 100.0;
        std::string why;
        if (!PartsFromPoints(xs[k], ys[k], s.Parts, why)) {
            error = "column " + std::to_string(k + 2) + ": " + why;
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
