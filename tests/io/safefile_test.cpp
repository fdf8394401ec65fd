// A written file is replaced whole, a planted link replaced and its target never
// written, a failed replacement leaves no temporary file.
#include <filesystem>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "io/safefile.hpp"
#include "test_support.hpp"

namespace fs = std::filesystem;
using namespace r7;
using r7::test::read_file;
using r7::test::ScratchDir;
using r7::test::write_file;

// The number of entries of the current directory ("precious" and "out.txt" when no
// temporary file is left).
long entries() { return std::distance(fs::directory_iterator("."), fs::directory_iterator()); }

// Until committed the old report stays whole; a hard link at its name is never written
// through; a dropped or failed report leaves no temporary file (unnamed and named files).
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
        EXPECT_EQ(entries(), unnamed ? 2 : 3);
        ASSERT_EQ(out.commit(), "");
        EXPECT_EQ(read_file("out.txt"), "new report\n");
        EXPECT_EQ(read_file("precious"), "another user's data\n");
        EXPECT_EQ(fs::hard_link_count("precious"), 1u);
        // The new file takes the permission bits of the one it replaced.
        EXPECT_EQ(fs::status("out.txt").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(entries(), 2);

        // Dropped: the old report stays.
        ASSERT_EQ(out.open("out.txt"), "");
        out.write("half a report");
        out.discard();
        EXPECT_EQ(read_file("out.txt"), "new report\n");
        EXPECT_EQ(entries(), 2);

        // The rename fails (a directory at the name): the reason is returned, no temporary file remains.
        ASSERT_EQ(out.open("out.txt"), "");
        out.write("third report\n");
        fs::remove("out.txt");
        fs::create_directory("out.txt");
        write_file("out.txt/x", "");
        EXPECT_NE(out.commit(), "");
        EXPECT_FALSE(out.is_open());
        EXPECT_NE(io::write_file_atomic("out.txt", "page"), "");
        EXPECT_EQ(entries(), 2);
        EXPECT_EQ(read_file("out.txt/x"), "");
    }
    io::NewFile::allow_unnamed(true);
}
