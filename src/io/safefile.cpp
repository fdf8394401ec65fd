#include "io/safefile.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "io/error.hpp"

namespace r7::io {

namespace {

// Buffered report text is written out once it reaches this size.
constexpr std::size_t out_buffer = 1 << 16;
// Attempts to find a free temporary name before giving up.
constexpr int temp_attempts = 100;

// Writes all of text to fd; returns 0 or the error number.
int write_all(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

std::string directory_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename durable; a failure here loses nothing.
void sync_directory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string reason(int errnum)
{
    return std::strerror(errnum);
}

void check_readable(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    int err = 0;
    if (fd < 0) {
        err = errno;
    } else {
        struct stat st {};
        if (::fstat(fd, &st) != 0) err = errno;
        else if (S_ISDIR(st.st_mode)) err = EISDIR;
        ::close(fd);
    }
    if (err != 0) {
        throw DataError(err == ENOENT ? DataError::Kind::missing : DataError::Kind::read_error, name, 0,
                        "file \"" + name + "\" cannot be opened: " + reason(err));
    }
}

std::string write_file_atomic(const std::string& path, std::string_view text, unsigned default_mode,
                              const std::function<void()>& before_rename)
{
    // The permission bits of the file being replaced (never of a link's target).
    mode_t mode = static_cast<mode_t>(default_mode);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return reason(EISDIR);
        if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    }

    std::random_device rd;
    std::mt19937_64 rng((static_cast<unsigned long long>(rd()) << 32) ^ rd() ^
                        static_cast<unsigned long long>(::getpid()));
    std::string temp;
    int fd = -1;
    for (int i = 0; i < temp_attempts && fd < 0; ++i) {
        char tag[20];
        std::snprintf(tag, sizeof tag, ".%012llx", static_cast<unsigned long long>(rng() & 0xffffffffffffULL));
        temp = path + tag + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return reason(errno);
    }
    if (fd < 0) return "no free name for a temporary file";

    int err = write_all(fd, text);
    if (err == 0 && ::fchmod(fd, mode) != 0) err = errno;
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && before_rename) {
        try {
            before_rename();
        } catch (...) {
            ::unlink(temp.c_str());
            throw;
        }
    }
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return reason(err);
    }
    sync_directory(directory_of(path));
    return {};
}

std::string check_writable(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return reason(EISDIR);
    const std::string dir = directory_of(path);
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return reason(errno);
    return {};
}

OutFile::~OutFile()
{
    if (fd_ >= 0) close();
}

std::string OutFile::open(const std::string& path)
{
    if (fd_ >= 0) close();
    error_.clear();
    buf_.clear();
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.c_str()) != 0) return reason(errno);
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) return reason(errno);
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return "not a regular file";
    }
    return {};
}

void OutFile::write(std::string_view text)
{
    if (fd_ < 0 || !error_.empty()) return;
    buf_ += text;
    if (buf_.size() >= out_buffer) flush();
}

bool OutFile::flush()
{
    if (fd_ >= 0 && error_.empty() && !buf_.empty()) {
        if (const int err = write_all(fd_, buf_)) error_ = reason(err);
    }
    buf_.clear();
    return error_.empty();
}

std::string OutFile::close()
{
    if (fd_ < 0) return error_;
    flush();
    if (::close(fd_) != 0 && error_.empty()) error_ = reason(errno);
    fd_ = -1;
    return error_;
}

} // namespace r7::io
