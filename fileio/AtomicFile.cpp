#include "fileio/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name no other writer (another thread, another copy of the program) uses
// at the same time; hidden, so that a file dialog does not offer it.
int CreateTemporary(const std::string& path, std::string& tmp)
{
    static std::atomic<unsigned> counter{0};
    const std::string stem = FolderOf(path) + "/." + NameOf(path) + ".tmp-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = stem + std::to_string(counter.fetch_add(1));
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int WriteAll(int fd, std::span<const uint8_t> bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// The rename itself lives in the folder: flushing it makes the new name
// survive a power cut. Some file systems cannot flush a folder; the file is
// in place all the same, so that is no failure.
void FlushFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

int WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes)
{
    if (path.empty() || path.back() == '/')
        return EISDIR;
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode))
            return EISDIR;
        if (::access(path.c_str(), W_OK) != 0)
            return errno;
    }

    std::string tmp;
    const int fd = CreateTemporary(path, tmp);
    if (fd < 0)
        return errno;
    int err = WriteAll(fd, bytes);
    if (err == 0 && replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        err = errno;
    // Without the flush a crash soon after the rename can leave the new name
    // on an empty or partly written file.
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    // Some file systems report a failed write only when the file is closed.
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmp.c_str());
        return err;
    }
    FlushFolder(FolderOf(path));
    return 0;
}
