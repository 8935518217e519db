#pragma once
// Replacing a file in one step. The bytes go to a temporary file in the
// target's own folder (a rename only replaces atomically within one file
// system), are flushed to the disk, and the temporary is then renamed over
// the target. A reader, or the program after a crash or a power cut, sees
// either the old file whole or the new one whole; a write that fails (a full
// disk, a file size limit, a folder that cannot take the file) removes the
// temporary and leaves the old file exactly as it was.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Writes `bytes` to `path`, replacing what was there. A replaced file keeps
// its permissions; a new one gets the usual ones (0666 less the umask). A
// target that exists but may not be written to is refused, as an ordinary
// overwrite would be. Returns 0, or the errno of the step that failed; then
// nothing at `path` has changed and no temporary file is left behind. When
// `path` is a symbolic link, the file it leads to is replaced and the link
// stays.
int WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes);
inline int WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    return WriteFileAtomic(path, std::span<const uint8_t>(static_cast<const uint8_t*>(data), size));
}

// Removes from `folder` the temporary files this writer leaves when its
// process is killed half way through a write: only names of its own pattern,
// only regular files, only those of processes that no longer run. Returns
// the names removed.
std::vector<std::string> RemoveStaleTemporaries(const std::string& folder);
