#pragma once
// A disk that fills up after `bytes` bytes, for this process only: a file
// size limit (RLIMIT_FSIZE) makes every write that would pass it fail with
// EFBIG, as a full disk fails a write with ENOSPC. Unlike a small mounted
// file system it needs no privileges and works wherever the tests run.
// SIGXFSZ, which would end the process at the limit, is ignored meanwhile.
// Only for single-threaded moments of a test: the limit holds for every
// thread's writes.

#include <csignal>
#include <sys/resource.h>

class TFullDisk {
public:
    explicit TFullDisk(rlim_t bytes)
    {
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit small = FOld;
        small.rlim_cur = bytes;
        FSet = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~TFullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;

    bool Active() const { return FSet; }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = SIG_DFL;
    bool FSet = false;
};
