#include "fileio/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

pid_t ReadOwner(int fd)
{
    char buf[32] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(buf, &end, 10);
    return pid > 0 && end != buf ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

TFolderLock::TResult TFolderLock::Acquire(const std::string& folder)
{
    Release();
    FOwner = 0;
    FError = 0;
    FPath = folder + "/" + kFolderLockName;
    // A holder that releases unlinks the file: a lock taken on the file just
    // unlinked would be on a name nobody else sees. Taking it again on the
    // current file settles that.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            FError = errno;
            return TResult::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            if (err == EWOULDBLOCK) {
                FOwner = ReadOwner(fd);
                ::close(fd);
                return TResult::Busy;
            }
            ::close(fd);
            FError = err;
            return TResult::Failed;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) != 0 || ::stat(FPath.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
            held.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
            // The lock holds all the same; only the id for others is missing.
        }
        FFd = fd;
        FOwner = ::getpid();
        return TResult::Held;
    }
    FError = EAGAIN;
    return TResult::Failed;
}

void TFolderLock::Release()
{
    if (FFd < 0)
        return;
    ::unlink(FPath.c_str());
    ::close(FFd);
    FFd = -1;
}
