#include "picture/safewrite.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace r7::picture {

bool replace_file(const std::string& name, std::string_view contents, std::string& error)
{
    // A temporary name in the same directory (so that the rename stays on one
    // file system); O_EXCL and O_NOFOLLOW refuse anything already there.
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = "cannot create a temporary file for " + name + ": " + std::strerror(errno);
        return false;
    }
    auto fail = [&](const std::string& what) {
        error = what + " " + name + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    };
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail("cannot flush");
    if (::close(fd) != 0) {
        error = std::string("cannot close ") + name + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), name.c_str()) != 0) {
        error = std::string("cannot rename the temporary file to ") + name + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    // The directory is not synced: after a crash the name shows the old page or
    // the complete new one, which is all a reader needs, and a second sync
    // would double the page's cost on a slow disk.
    return true;
}

} // namespace r7::picture
