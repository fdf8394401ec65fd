// Whole-file replacement of the files the program writes in its working
// directory: a planted link is replaced, its target never written, and a
// failed replacement leaves no temporary file.
#include <filesystem>

#include <gtest/gtest.h>

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

