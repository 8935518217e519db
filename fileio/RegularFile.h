#pragma once
// Reading input files that are what they claim to be. A path the user gives
// may name a FIFO, a device or a folder: opening a FIFO for reading waits for
// a writer that never comes, and a device can feed bytes without end. Every
// reader opens its input through these, so that anything but a regular file
// is refused at once, without blocking.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Whether `path` names a regular file (after following symbolic links).
// Does not open it, so it never blocks; for readers that open the file
// themselves right after.
bool IsRegularFile(const std::string& path);

// Reads the whole of the regular file `path` into `bytes`. Returns 0, or an
// errno: the open's, EINVAL for anything but a regular file, EFBIG for a
// file over `maxBytes`, or the read's. `bytes` is filled only on success.
int ReadRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes);
