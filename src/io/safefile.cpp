#include "io/safefile.hpp"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "io/error.hpp"

namespace r7::io {

namespace {

// Buffered report text is written out once it reaches this size.
constexpr std::size_t out_buffer = 1 << 16;
// Read buffer of an input file.
constexpr std::size_t in_buffer = 1 << 16;
// Attempts to find a free temporary name before giving up.
constexpr int temp_attempts = 100;

// Whether NewFile may use unnamed files (tests switch it off).
bool unnamed_allowed = true;

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

// Why a file of this mode is not read or replaced: empty for a regular file.
// A FIFO without a writer, a device such as /dev/zero or a socket would hold the
// run or feed it without end; a report written into one would be lost.
std::string refusal(mode_t mode)
{
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return reason(EISDIR);
    const char* kind = S_ISFIFO(mode)   ? " (a FIFO)"
                       : S_ISCHR(mode)  ? " (a character device)"
                       : S_ISBLK(mode)  ? " (a block device)"
                       : S_ISSOCK(mode) ? " (a socket)"
                                        : "";
    return std::string("not a regular file") + kind;
}

// A fresh name beside path for a temporary file: path.<12 hex digits>.tmp.
std::string temp_name(const std::string& path)
{
    static std::mt19937_64 rng = [] {
        std::random_device rd;
        return std::mt19937_64((static_cast<unsigned long long>(rd()) << 32) ^ rd() ^
                               static_cast<unsigned long long>(::getpid()));
    }();
    char tag[20];
    std::snprintf(tag, sizeof tag, ".%012llx", static_cast<unsigned long long>(rng() & 0xffffffffffffULL));
    return path + tag + ".tmp";
}

// An unnamed file can be given a name only through /proc/self/fd (linkat with
// AT_EMPTY_PATH needs a privilege); without /proc the named way is taken.
bool can_name_unnamed()
{
    static const bool ok = ::access("/proc/self/fd", X_OK) == 0;
    return ok;
}

// Opens name for reading as a regular file (see open_input); the descriptor.
int open_regular(const std::string& name)
{
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting; O_NOCTTY: a terminal device never becomes the controlling one.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    int err = fd < 0 ? errno : 0;
    std::string why = fd < 0 ? reason(err) : std::string();
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) why = reason(errno);
        else why = refusal(st.st_mode);
        // A regular file: reads wait for the disk as usual from now on.
        if (why.empty()) {
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) why = reason(errno);
        }
        if (!why.empty()) ::close(fd);
    }
    if (!why.empty()) {
        throw DataError(err == ENOENT ? DataError::Kind::missing : DataError::Kind::read_error, name, 0,
                        "file \"" + name + "\" cannot be opened: " + why);
    }
    return fd;
}

// A stream buffer that reads a descriptor it owns. A refused read throws
// std::ios_base::failure carrying the system's error code, as the library's
// file buffer does.
class InBuf : public std::streambuf {
public:
    explicit InBuf(int fd) : fd_(fd) {}
    ~InBuf() override { ::close(fd_); }
    InBuf(const InBuf&) = delete;
    InBuf& operator=(const InBuf&) = delete;

protected:
    int_type underflow() override
    {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        for (;;) {
            const ssize_t n = ::read(fd_, buf_.data(), buf_.size());
            if (n > 0) {
                setg(buf_.data(), buf_.data(), buf_.data() + n);
                return traits_type::to_int_type(*gptr());
            }
            if (n == 0) return traits_type::eof();
            if (errno == EINTR) continue;
            const int err = errno;
            throw std::ios_base::failure("read", std::error_code(err, std::system_category()));
        }
    }

private:
    int fd_;
    std::array<char, in_buffer> buf_{};
};

class InStream : public std::istream {
public:
    explicit InStream(int fd) : std::istream(nullptr), buf_(fd) { rdbuf(&buf_); }

private:
    InBuf buf_;
};

} // namespace

std::string reason(int errnum)
{
    return std::strerror(errnum);
}

std::unique_ptr<std::istream> open_input(const std::string& name)
{
    return std::make_unique<InStream>(open_regular(name));
}

std::string read_whole(const std::string& name)
{
    const int fd = open_regular(name);
    std::string text;
    // Room for the whole file at once (the VSOP87 files are megabytes): no
    // copy while the text grows.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) text.reserve(static_cast<std::size_t>(st.st_size));
    std::array<char, in_buffer> buf{};
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n > 0) {
            text.append(buf.data(), static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int err = errno;
            ::close(fd);
            throw DataError(DataError::Kind::read_error, name, 0,
                            "file \"" + name + "\" cannot be read: " + reason(err));
        }
    }
    ::close(fd);
    return text;
}

std::string check_writable(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        if (std::string why = refusal(st.st_mode); !why.empty()) return why;
    }
    const std::string dir = directory_of(path);
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return reason(errno);
    return {};
}

void NewFile::allow_unnamed(bool allowed)
{
    unnamed_allowed = allowed;
}

std::string NewFile::create(const std::string& path, unsigned default_mode)
{
    discard();
    // What stands at path now: a regular file lends its permission bits (never
    // a link's target), a link is replaced, anything else is refused.
    mode_ = default_mode;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        if (std::string why = refusal(st.st_mode); !why.empty()) return why;
        mode_ = st.st_mode & 07777;
    }
    path_ = path;

    // An unnamed file in the same directory vanishes with the process, however
    // it ends; it gets a name only when it is complete.
    if (unnamed_allowed && can_name_unnamed()) {
        fd_ = ::open(directory_of(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) return {};
    }
    // Else a new file of a unique name: O_EXCL with O_NOFOLLOW never opens
    // anything that exists, a planted link included.
    for (int i = 0; i < temp_attempts; ++i) {
        const std::string temp = temp_name(path);
        fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            temp_ = temp;
            return {};
        }
        if (errno != EEXIST) return reason(errno);
    }
    return "no free name for a temporary file";
}

int NewFile::write(std::string_view text)
{
    return fd_ < 0 ? EBADF : write_all(fd_, text);
}

std::string NewFile::commit(const std::function<void()>& before_rename)
{
    if (fd_ < 0) return reason(EBADF);
    int err = 0;
    if (::fchmod(fd_, static_cast<mode_t>(mode_)) != 0) err = errno;
    // On the disk before it replaces the old file: a crash after the rename
    // never leaves an empty or partial file under the old name.
    if (err == 0 && ::fsync(fd_) != 0) err = errno;
    // An unnamed file gets a unique temporary name first; linkat never
    // replaces what exists there.
    if (err == 0 && temp_.empty()) {
        const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
        err = EEXIST;
        for (int i = 0; i < temp_attempts && err == EEXIST; ++i) {
            const std::string temp = temp_name(path_);
            if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                temp_ = temp;
                err = 0;
            } else {
                err = errno;
            }
        }
    }
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    if (err == 0 && before_rename) {
        try {
            before_rename();
        } catch (...) {
            discard();
            throw;
        }
    }
    if (err == 0 && ::rename(temp_.c_str(), path_.c_str()) != 0) err = errno;
    if (err != 0) {
        discard();
        return reason(err);
    }
    temp_.clear();
    sync_directory(directory_of(path_));
    return {};
}

void NewFile::discard()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

std::string write_file_atomic(const std::string& path, std::string_view text, unsigned default_mode,
                              const std::function<void()>& before_rename)
{
    NewFile file;
    if (std::string why = file.create(path, default_mode); !why.empty()) return why;
    if (const int err = file.write(text)) {
        file.discard();
        return reason(err);
    }
    return file.commit(before_rename);
}

std::string OutFile::open(const std::string& path)
{
    discard();
    error_.clear();
    return file_.create(path, 0644);
}

void OutFile::write(std::string_view text)
{
    if (!file_.is_open() || !error_.empty()) return;
    buf_ += text;
    if (buf_.size() >= out_buffer) flush();
}

bool OutFile::flush()
{
    if (file_.is_open() && error_.empty() && !buf_.empty()) {
        if (const int err = file_.write(buf_)) error_ = reason(err);
    }
    buf_.clear();
    return error_.empty();
}

std::string OutFile::commit()
{
    if (!file_.is_open()) return error_;
    flush();
    if (error_.empty()) {
        error_ = file_.commit();
    } else {
        file_.discard();
    }
    return error_;
}

void OutFile::discard()
{
    file_.discard();
    buf_.clear();
}

} // namespace r7::io
