#pragma once
// Reading printed PDFs back in tests: text with pdftotext, page count with
// pdfinfo, pixels with pdftoppm (all from poppler-utils).

#include <QImage>
#include <QString>
#include <array>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/Run.h"

inline std::string RunTool(const std::string& command) { return RunShell(command).Out; }

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The text in reading order, one printed line per line.
inline std::string PdfText(const std::string& path)
{
    return RunTool("pdftotext -layout " + Quoted(path) + " - 2>/dev/null");
}

inline int PdfPages(const std::string& path)
{
    const std::string info = RunTool("pdfinfo " + Quoted(path) + " 2>/dev/null");
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The first page rendered at `dpi` without smoothing (PNG next to the PDF).
inline QImage PdfPicture(const std::string& path, int dpi)
{
    const std::string stem = path + ".page";
    RunTool("pdftoppm -aa no -aaVector no -r " + std::to_string(dpi) + " -png -singlefile " + Quoted(path) + " " + Quoted(stem) +
            " 2>/dev/null");
    return QImage(QString::fromStdString(stem + ".png"));
}

struct TPdfWord {
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;  // points from the page's top-left corner
    std::string Text;
};

// Every word on the page with its box (pdftotext -bbox).
inline std::vector<TPdfWord> PdfWords(const std::string& path)
{
    const std::string html = RunTool("pdftotext -bbox " + Quoted(path) + " - 2>/dev/null");
    std::vector<TPdfWord> words;
    const std::regex word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        words.push_back({std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
    }
    return words;
}

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
