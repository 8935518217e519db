#include "fileio/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <string>

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

constexpr char TemporaryInfix[] = ".tmp-";

// A name no other writer (another thread, another copy of the program) uses
// at the same time; hidden, so that a file dialog does not offer it. The
// process id in it tells a temporary of a live writer from one left by a
// writer that was killed half way (RemoveStaleTemporaries).
int CreateTemporary(const std::string& path, std::string& tmp)
{
    static std::atomic<unsigned> counter{0};
    const std::string stem =
        FolderOf(path) + "/." + NameOf(path) + TemporaryInfix + std::to_string(::getpid()) + "-";
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

// The file a chain of symbolic links ends at (which need not exist yet): a
// save through a link replaces the linked file, as writing into it would,
// instead of putting a plain file in the link's place.
int FollowLinks(std::string& path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOENT;
        if (static_cast<size_t>(n) >= target.size())
            return ENAMETOOLONG;
        target.resize(static_cast<size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    return ELOOP;
}

// ".NAME.tmp-PID-N" as CreateTemporary makes it; the PID, or 0.
pid_t TemporaryOwner(const std::string& name)
{
    if (name.size() < 2 || name[0] != '.')
        return 0;
    const size_t infix = name.rfind(TemporaryInfix);
    if (infix == std::string::npos || infix < 2)
        return 0;
    const std::string rest = name.substr(infix + sizeof TemporaryInfix - 1);
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size())
        return 0;
    for (size_t i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9'))
            return 0;
    if (dash > 9)
        return 0;
    return static_cast<pid_t>(std::atol(rest.substr(0, dash).c_str()));
}

}  // namespace

std::vector<std::string> RemoveStaleTemporaries(const std::string& folder)
{
    std::vector<std::string> removed;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return removed;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const pid_t owner = TemporaryOwner(name);
        // Our own are being written by another thread; a live process's are
        // its saves in progress.
        if (owner <= 0 || owner == ::getpid() || ::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0)
            removed.push_back(name);
    }
    ::closedir(dir);
    return removed;
}

int WriteFileAtomic(const std::string& target, std::span<const uint8_t> bytes)
{
    if (target.empty() || target.back() == '/')
        return EISDIR;
    std::string path = target;
    if (const int err = FollowLinks(path); err != 0)
        return err;
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
