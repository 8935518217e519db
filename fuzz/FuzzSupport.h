#pragma once
// Helpers of the fuzz targets: readers that take a path get the input as a
// file in a folder of their own, rewritten on every run.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// One folder per process, in memory where the machine has /dev/shm, so that
// a run costs a write to memory rather than to the disk. Removed at exit.
inline const std::filesystem::path& ScratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path p = base / ("zq735-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolder(), ec);
        });
        return p;
    }();
    return folder;
}

// Writes the input to `name` in the scratch folder and returns its path.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = (ScratchFolder() / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    return path;
}

}  // namespace fuzz
