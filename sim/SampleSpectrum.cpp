#include "sim/SampleSpectrum.h"

#include <algorithm>

double TSampleSpectrum::TransmittanceAt(double wavenumber) const
{
    if (X.size() < 2 || X.size() != T.size() || wavenumber < X.front() || wavenumber > X.back())
        return 100.0;
    auto it = std::lower_bound(X.begin(), X.end(), wavenumber);
    if (it == X.begin())
        return T.front();
    const size_t i = static_cast<size_t>(it - X.begin());
    const double x0 = X[i - 1], x1 = X[i];
    if (x1 <= x0)
        return T[i];
    return T[i - 1] + (T[i] - T[i - 1]) * (wavenumber - x0) / (x1 - x0);
}

TSampleSpectrum BuiltinPolystyrene()
{
    // Provisional: flat baseline until the band model lands.
    TSampleSpectrum s;
    for (double x = 400.0; x <= 4000.0; x += 0.5) {
        s.X.push_back(x);
        s.T.push_back(92.0);
    }
    return s;
}

TSampleSpectrum EmptyBeam()
{
    return {};
}

bool LoadSampleSpectrum(const std::string& path, TSampleSpectrum& out, std::string& error)
{
    out = {};
    error = path + ": reading sample files is not available yet";
    return false;
}
