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

// reason: the system's text for an error number.
// Takes:    the error number (errno).
// Returns:  the text, e.g. "No such file or directory".
std::string reason(int errnum);

// open_input: a file opened for reading.
// Takes:    the file name.
// Returns:  the stream, which owns the file.
// Notes:    1. The file is opened without waiting (a FIFO without a writer would
//              hold the run for ever), checked on the opened descriptor, so that
//              nothing can be swapped in between, and must be a regular file; a
//              symbolic link to a regular file is followed (the published data
//              are links).
//           2. Throws DataError (missing when the file does not exist,
//              read_error otherwise) with the message
//              "file "name" cannot be opened: <reason>", e.g. "Is a directory"
//              or "not a regular file (a FIFO)".
//           3. A read that the system refuses later throws
//              std::ios_base::failure with the system's error code from the
//              stream buffer.
std::unique_ptr<std::istream> open_input(const std::string& name);

// read_whole: the whole content of a file.
// Takes:    the file name.
// Returns:  the content.
// Notes:    1. Opened as open_input opens it, with the same DataError; a read
//              that the system refuses throws DataError (read_error) with the
//              message "file "name" cannot be read: <reason>".
std::string read_whole(const std::string& name);

// check_writable: whether a file can be put at a path later.
// Takes:    the path.
// Returns:  an empty string when the directory takes new files (write and search
//           permission) and what stands at path, if anything, is a regular file
//           or a link; else the reason ("Is a directory", "not a regular file
//           (a FIFO)", "Permission denied").
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

    // create: starts the new content of a file.
    // Takes:    the path, the permission bits of a new file.
    // Returns:  an empty string, or the reason why the new file cannot be started
    //           (a directory or a special file at path, a directory that refuses
    //           new files).
    // Notes:    1. A new content started before is discarded first.
    //           2. The new file gets the permission bits of the regular file it
    //              replaces, default_mode otherwise; a link at path is replaced,
    //              never followed.
    //           3. An unnamed file (O_TMPFILE) where the file system offers one,
    //              else one of a unique name (path.<12 hex digits>.tmp), created
    //              exclusively.
    std::string create(const std::string& path, unsigned default_mode = 0644);
    bool is_open() const { return fd_ >= 0; }
    // write: text appended to the new content.
    // Takes:    the text.
    // Returns:  0, or the error number (EBADF when nothing was started).
    int write(std::string_view text);

    // commit: puts the new content in place of the file.
    // Takes:    before_rename, run just before the replacement (tests break off
    //           there).
    // Returns:  an empty string, or the reason; then path is unchanged and no
    //           temporary file remains.
    // Notes:    1. The new file gets its permission bits and reaches the disk
    //              (fsync), an unnamed one gets a unique temporary name, and a
    //              rename replaces the file; the directory is synced after it.
    //           2. What before_rename throws is passed on after the new file is
    //              removed.
    //           3. Without a started content the reason is that of EBADF.
    std::string commit(const std::function<void()>& before_rename = {});

    // discard: drops the new content.
    // Takes:    nothing.
    // Returns:  nothing; path stays as it was and no temporary file remains.
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

// write_file_atomic: a file replaced whole by a new content.
// Takes:    the path, the text, the permission bits of a new file, before_rename
//           (as for NewFile::commit).
// Returns:  an empty string on success, otherwise the reason; path is then
//           unchanged and no temporary file is left.
// Notes:    1. Through a NewFile: create, write, commit.
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

    // open: starts the new report for a path.
    // Takes:    the path.
    // Returns:  an empty string or the reason (as NewFile::create, with the
    //           permission bits 0644 for a new file).
    // Notes:    1. A report started before is dropped, and its error forgotten.
    std::string open(const std::string& path);
    bool is_open() const { return file_.is_open(); }

    // write: report text.
    // Takes:    the text.
    // Returns:  nothing; the text is buffered and written out once 64 KiB have
    //           gathered. Nothing is kept without an open report or after an
    //           error.
    void write(std::string_view text);

    // flush: writes what is buffered.
    // Takes:    nothing.
    // Returns:  false after any write error, else true.
    bool flush();

    // commit: puts the written report in place of the old one.
    // Takes:    nothing.
    // Returns:  an empty string, or the reason of the first error; then the old
    //           file stays and the new one is removed.
    // Notes:    1. Without an open report: the error kept so far (empty when
    //              there was none).
    std::string commit();

    // discard: drops the new report.
    // Takes:    nothing.
    // Returns:  nothing; the old file stays.
    void discard();
    const std::string& error() const { return error_; }

private:
    NewFile file_;
    std::string buf_;
    std::string error_;
};

} // namespace r7::io
