#pragma once
// Reading printed PDFs back in tests: text with pdftotext, page count with
// pdfinfo, pixels with pdftoppm (all from poppler-utils).

#include <QImage>
#include <QString>
#include <array>
#include <cstdio>
#include <string>

inline std::string RunTool(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr)
        return out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    ::pclose(p);
    return out;
}

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

inline bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
