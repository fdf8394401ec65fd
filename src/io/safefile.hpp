// Safe handling of the files in the working directory. Reading: a file is opened
// only when it is a regular file (not a directory, a FIFO, a device or a socket),
// checked on the opened descriptor, and every failure carries the system's reason.
// Writing: a file is never written in place. Its new content goes to a new file
// beside it (unnamed where the file system allows it, else of a unique name,
// created exclusively, so a planted link is never followed), which reaches the
// disk and then replaces the old file by a rename. A link standing where the file
// belongs, symbolic or hard, is replaced, never written through; a special file
// there is refused.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace r7::io {

// The system's text for an error number ("No such file or directory").
std::string reason(int errnum);

// Opens name for reading. The file is opened without waiting (a FIFO without a
// writer would hold the run for ever), checked on the opened descriptor, so that
// nothing can be swapped in between, and must be a regular file; a symbolic link
// to a regular file is followed (the published data are links). Throws DataError
// (missing when it does not exist, read_error otherwise) with the message
// "file "name" cannot be opened: <reason>", e.g. "Is a directory" or
// "not a regular file (a FIFO)". A read that the system refuses later throws
// std::ios_base::failure with the system's error code from the stream buffer.
std::unique_ptr<std::istream> open_input(const std::string& name);

// Reads the whole of a regular file (opened as open_input does); throws DataError.
std::string read_whole(const std::string& name);

// Checks that a file can be put at path later: the directory takes new files,
// and what stands at path (if anything) is a regular file or a link. Returns an
// empty string or the reason ("Is a directory", "not a regular file (a FIFO)").
std::string check_writable(const std::string& path);

// The new content of one file, written beside it and put in its place whole.
// While it is written the old file stays as it was; a run that is killed then
// leaves the old file and, where the file system offers unnamed files (O_TMPFILE),
// nothing else.
class NewFile {
public:
    NewFile() = default;
    ~NewFile() { discard(); }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Starts the new content of path. Refuses a directory or a special file at
    // path; returns an empty string or the reason. The new file will get the
    // permission bits of the regular file it replaces, default_mode otherwise.
    std::string create(const std::string& path, unsigned default_mode = 0644);
    bool is_open() const { return fd_ >= 0; }
    // Writes all of text; returns 0 or the error number.
    int write(std::string_view text);
    // Syncs the new file and renames it over path; returns an empty string or
    // the reason, and then path is unchanged and no temporary file remains.
    // before_rename runs just before the replacement (tests break off there);
    // what it throws is passed on after the new file is removed.
    std::string commit(const std::function<void()>& before_rename = {});
    // Drops the new content; path stays as it was.
    void discard();

    // Tests: false makes create() use a named temporary file even where the file
    // system offers unnamed ones.
    static void allow_unnamed(bool allowed);

private:
    int fd_ = -1;
    std::string path_;
    std::string temp_; // the name of the new file while it has one
    unsigned mode_ = 0644;
};

// Writes text as the whole new content of path through a NewFile. Returns an
// empty string on success, otherwise the reason; path is then unchanged and no
// temporary file is left. before_rename: as for NewFile::commit.
std::string write_file_atomic(const std::string& path, std::string_view text, unsigned default_mode = 0644,
                              const std::function<void()>& before_rename = {});

// A report file written piece by piece, into a NewFile that replaces the file at
// its path only when the report is committed. Write errors are kept: the first
// one's reason is returned by error() and later writes are dropped.
class OutFile {
public:
    OutFile() = default;
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    // Starts the new report for path; returns an empty string or the reason.
    std::string open(const std::string& path);
    bool is_open() const { return file_.is_open(); }
    void write(std::string_view text);
    // Writes what is buffered; false after any write error.
    bool flush();
    // Puts the written report in place of the old one. Returns an empty string,
    // or the reason of the first error; then the old file stays and the new one
    // is removed.
    std::string commit();
    // Drops the new report; the old file stays.
    void discard();
    const std::string& error() const { return error_; }

private:
    NewFile file_;
    std::string buf_;
    std::string error_;
};

} // namespace r7::io
