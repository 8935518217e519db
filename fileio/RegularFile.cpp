#include "fileio/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int ReadRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes)
{
    // O_NONBLOCK: the open itself must not wait for a FIFO's writer; the
    // file's kind is only known once it is open (and cannot be swapped then).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = EINVAL;
    else if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes)
        err = EFBIG;
    std::vector<uint8_t> got;
    if (err == 0) {
        got.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        // A file that grows meanwhile is read as far as its size at the open;
        // one that shrinks ends early and is read as it now is.
        while (done < got.size()) {
            const ssize_t n = ::read(fd, got.data() + done, got.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                err = errno;
                break;
            }
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        got.resize(done);
    }
    ::close(fd);
    if (err == 0)
        bytes = std::move(got);
    return err;
}
