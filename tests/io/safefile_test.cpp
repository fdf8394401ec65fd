// The files of the working directory: inputs are regular files only; a file the
// program writes is replaced whole, a planted link (symbolic or hard) is
// replaced and its target never written, and a failed replacement leaves no
// temporary file.
#include <algorithm>
#include <filesystem>
#include <istream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "io/error.hpp"
#include "io/safefile.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;
using namespace r7;
using r7::test::read_file;
using r7::test::ScratchDir;
using r7::test::write_file;

TEST(SafeFile, ReplacesTheFileWholeAndNeverWritesThroughALink)
{
    ScratchDir dir(false);
    write_file("target.txt", "keep me");
    fs::create_symlink(dir.path() / "target.txt", "out.html");
    ASSERT_EQ(io::write_file_atomic("out.html", "new page"), "");
    EXPECT_FALSE(fs::is_symlink("out.html"));
    EXPECT_EQ(read_file("out.html"), "new page");
    EXPECT_EQ(read_file("target.txt"), "keep me");
    // No temporary file is left behind.
    int files = 0;
    for (const auto& e : fs::directory_iterator(".")) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2);

    // A name that cannot be replaced (a directory) fails with a reason and
    // leaves nothing behind.
    fs::create_directory("busy");
    write_file("busy/x", "");
    EXPECT_NE(io::write_file_atomic("busy", "page"), "");
    files = 0;
    for (const auto& e : fs::directory_iterator(".")) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2);
}


// Inputs are regular files only: a FIFO without a writer, a device or a
// directory is refused at once, naming the file and what it is; a link to a
// regular file is read.
TEST(SafeFile, InputsAreRegularFilesOnly)
{
    ScratchDir dir(false);
    write_file("plain", "first\nsecond\n");
    fs::create_symlink("plain", "link");
    std::string line;
    std::getline(*io::open_input("link"), line);
    EXPECT_EQ(line, "first");
    EXPECT_EQ(io::read_whole("plain"), "first\nsecond\n");

    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    fs::create_symlink("/dev/zero", "zero");
    fs::create_directory("folder");
    const struct {
        const char* name;
        DataError::Kind kind;
        const char* why;
    } refused[] = {
        {"fifo", DataError::Kind::read_error, "not a regular file (a FIFO)"},
        {"zero", DataError::Kind::read_error, "not a regular file (a character device)"},
        {"folder", DataError::Kind::read_error, "Is a directory"},
        {"missing", DataError::Kind::missing, "No such file or directory"},
    };
    for (const auto& c : refused) {
        for (const bool whole : {false, true}) {
            try {
                if (whole) io::read_whole(c.name);
                else io::open_input(c.name);
                ADD_FAILURE() << c.name << " was opened";
            } catch (const DataError& e) {
                EXPECT_EQ(e.kind(), c.kind) << c.name;
                EXPECT_EQ(e.file(), c.name);
                EXPECT_EQ(std::string(e.what()), std::string("file \"") + c.name + "\" cannot be opened: " + c.why);
            }
        }
    }
    // Outputs: a special file or a directory where a file is to be written is
    // refused; a link there is replaced, whatever it points to.
    EXPECT_EQ(io::check_writable("fifo"), "not a regular file (a FIFO)");
    EXPECT_EQ(io::check_writable("folder"), "Is a directory");
    EXPECT_EQ(io::check_writable("zero"), "");
    EXPECT_EQ(io::check_writable("plain"), "");
    io::OutFile out;
    EXPECT_EQ(out.open("fifo"), "not a regular file (a FIFO)");
    EXPECT_FALSE(out.is_open());
    EXPECT_EQ(io::write_file_atomic("fifo", "text"), "not a regular file (a FIFO)");
    EXPECT_TRUE(fs::is_fifo("fifo"));
}

// The entries of the current directory other than those named in keep.
std::vector<std::string> others(const std::vector<std::string>& keep)
{
    std::vector<std::string> v;
    for (const auto& e : fs::directory_iterator(".")) {
        const std::string n = e.path().filename().string();
        if (std::find(keep.begin(), keep.end(), n) == keep.end()) v.push_back(n);
    }
    return v;
}

// A report written piece by piece replaces the old file only when it is
// committed: until then the old report stays whole, a hard link at its name
// is never written through, and a dropped or failed report leaves no
// temporary file; with unnamed files and with named ones.
TEST(SafeFile, ReportReplacesTheOldFileOnlyWhenCommitted)
{
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed new file" : "named new file");
        io::NewFile::allow_unnamed(unnamed);
        ScratchDir dir(false);
        write_file("precious", "another user's data\n");
        fs::create_hard_link("precious", "out.txt");
        fs::permissions("precious", fs::perms::owner_read | fs::perms::owner_write);

        io::OutFile out;
        ASSERT_EQ(out.open("out.txt"), "");
        out.write("new report\n");
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(read_file("out.txt"), "another user's data\n");
        EXPECT_EQ(others({"precious", "out.txt"}).size(), unnamed ? 0u : 1u);
        ASSERT_EQ(out.commit(), "");
        EXPECT_EQ(read_file("out.txt"), "new report\n");
        EXPECT_EQ(read_file("precious"), "another user's data\n");
        EXPECT_EQ(fs::hard_link_count("precious"), 1u);
        // The new file takes the permission bits of the one it replaced.
        EXPECT_EQ(fs::status("out.txt").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_TRUE(others({"precious", "out.txt"}).empty());

        // Dropped: the old report stays.
        ASSERT_EQ(out.open("out.txt"), "");
        out.write("half a report");
        out.discard();
        EXPECT_EQ(read_file("out.txt"), "new report\n");
        EXPECT_TRUE(others({"precious", "out.txt"}).empty());

        // The rename fails (a directory now stands at the name): the reason is
        // returned and no temporary file remains.
        ASSERT_EQ(out.open("out.txt"), "");
        out.write("third report\n");
        fs::remove("out.txt");
        fs::create_directory("out.txt");
        write_file("out.txt/x", "");
        EXPECT_NE(out.commit(), "");
        EXPECT_FALSE(out.is_open());
        EXPECT_TRUE(others({"precious", "out.txt"}).empty());
        EXPECT_EQ(read_file("out.txt/x"), "");
    }
    io::NewFile::allow_unnamed(true);
}
