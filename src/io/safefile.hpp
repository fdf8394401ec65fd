// Safe handling of the files in the working directory. Reading: a file is opened
// only when it is a readable file (not a directory), and every failure carries
// the system's reason. Writing: a whole file is replaced atomically, through a
// temporary file of a unique name that is created exclusively, so a planted link
// is never followed; a link standing where the file belongs is replaced by a
// regular file. A report written line by line (OutFile) is opened without
// following a link either.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace r7::io {

// The system's text for an error number ("No such file or directory").
std::string reason(int errnum);

// Checks that name can be opened for reading as a file. Throws DataError
// (missing when it does not exist, unreadable otherwise) with the message
// "file "name" cannot be opened: <reason>".
void check_readable(const std::string& name);

// Writes text as the whole new content of path: a unique temporary file beside
// it (created with O_EXCL, never through a link) is written, flushed to the disk,
// given the permission bits of the file it replaces (default_mode for a new
// file or one that was a link) and renamed over path. Returns an empty string
// on success, otherwise the reason; path is then unchanged and no temporary file
// is left. before_rename runs just before the replacement (tests break off
// there); what it throws is passed on after the temporary file is removed.
std::string write_file_atomic(const std::string& path, std::string_view text, unsigned default_mode = 0644,
                              const std::function<void()>& before_rename = {});

// Checks that a file can be written at path later (the directory takes new
// files, and path is no directory): returns an empty string or the reason.
std::string check_writable(const std::string& path);

// A report file written piece by piece. A link at the path is removed first and
// the file is created without following links. Write errors are kept: the first
// one's reason is returned by error() and later writes are dropped.
class OutFile {
public:
    OutFile() = default;
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    // Opens (truncating) path; returns an empty string or the reason.
    std::string open(const std::string& path);
    bool is_open() const { return fd_ >= 0; }
    void write(std::string_view text);
    // Writes what is buffered; false after any write error.
    bool flush();
    // Flushes and closes; returns an empty string or the reason of the first error.
    std::string close();
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string buf_;
    std::string error_;
};

} // namespace r7::io
