#pragma once
// The system configuration file and the folder the program keeps its files in.
//
// "ZQ735.cfg" holds the two instrument-wide settings that survive a restart
// (grating motor type, stray-light correction) in a fixed 512-byte image with
// a header text and a byte checksum. The debug switch is deliberately never
// stored: it is off after every start.

#include <QString>
#include <array>
#include <cstdint>

struct TSysSettings {
    std::uint8_t MotorType = 1;       // 0 imported motor ("进口"), 1 domestic ("国产")
    std::uint8_t StrayLightCorr = 1;  // 0 off, 1 stray-light correction on
    std::uint8_t DebugMode = 0;       // in memory only
};

inline constexpr const char* kConfigFileName = "ZQ735.cfg";
inline constexpr int kConfigFileSize = 512;

// The folder beside the program where ZQ735.cfg and BK100.dat live:
//  1. the folder given to SetDataFolder (tests), when one was given;
//  2. else the folder named by the environment variable ZQ735_DATA_DIR, when
//     it is set and not empty (lets a test run the whole program against a
//     temporary folder; created when missing);
//  3. else the folder of the executable, when it is writable (a portable
//     install);
//  4. else the per-user configuration folder (QStandardPaths::
//     AppConfigLocation), created when missing.
// Safe to call from any thread (the worker saves BK100.dat).
QString DataFolder();
// Overrides the folder for this process; an empty text removes the override.
void SetDataFolder(const QString& folder);
// A file name joined to DataFolder(); an absolute name is kept as it is.
QString DataFilePath(const QString& fileName);

// The 512-byte image of a settings record: header text, NUL, two zero bytes,
// MotorType, StrayLightCorr, zeros, and the checksum (sum of bytes 0..510
// modulo 256) in the last byte. DebugMode is not part of it.
std::array<std::uint8_t, kConfigFileSize> ConfigImage(const TSysSettings& settings);

// Reads the file (name joined to DataFolder()). On success MotorType and
// StrayLightCorr are taken from it, unchecked, and the rest of `settings`
// keeps what the caller preset; on any failure (missing, shorter than 512
// bytes, bad checksum, wrong header text) `settings` is left unchanged.
// Bytes after the first 512 are not looked at.
bool ReadConfig(const QString& fileName, TSysSettings& settings);

// Writes the 512-byte image (an existing file is replaced); true when all of
// it was written.
bool WriteConfig(const QString& fileName, const TSysSettings& settings);
