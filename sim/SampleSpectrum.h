#pragma once
#include <string>
#include <vector>

// A sample placed in the simulated instrument's beam, as a transmittance curve.
struct TSampleSpectrum {
    std::vector<double> X;   // wavenumbers, cm-1, ascending after loading
    std::vector<double> T;   // transmittance in percent (0..100+), same length as X
    // Percent transmittance at a wavenumber: linear interpolation; 100 outside the data
    // (an empty spectrum = empty beam = 100 everywhere).
    double TransmittanceAt(double wavenumber) const;
};

TSampleSpectrum BuiltinPolystyrene();
TSampleSpectrum EmptyBeam();

// Reads a two-column text file or a JCAMP-DX file; on failure returns false and a message naming the line.
bool LoadSampleSpectrum(const std::string& path, TSampleSpectrum& out, std::string& error);
