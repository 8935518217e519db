#pragma once
// One program at a time in a data folder. The program holds an advisory lock
// (flock) on a lock file in the folder for as long as it runs; the kernel
// drops the lock when the process ends however it ends, so a crashed or
// killed owner leaves nothing that blocks the next start. The file holds the
// owner's process id, for telling the operator who holds the folder.

#include <sys/types.h>

#include <string>

inline constexpr char kFolderLockName[] = "ZQ735.lock";

class TFolderLock {
public:
    enum class TResult { Held, Busy, Failed };

    TFolderLock() = default;
    ~TFolderLock() { Release(); }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // Takes the folder's lock without waiting. Busy: another process holds
    // it (Owner() is its id, 0 when it has not written it yet). Failed: the
    // lock file cannot be made (Error() is the errno), for example in a
    // folder that cannot be written.
    TResult Acquire(const std::string& folder);
    // Gives the lock up and removes the lock file (also done on destruction).
    void Release();

    bool Held() const { return FFd >= 0; }
    pid_t Owner() const { return FOwner; }
    int Error() const { return FError; }

private:
    int FFd = -1;
    std::string FPath;
    pid_t FOwner = 0;
    int FError = 0;
};
