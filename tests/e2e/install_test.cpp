// The installed program: install the build into a temporary prefix, prepare a
// working directory with the installed r7-prepare (the published data come with
// the installation), and run a book option there.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::read_file;
using r7::test::write_file;

using r7::test::quoted;
using r7::test::shell;

TEST(Install, PreparedDirectoryRunsTheInstalledProgram)
{
    if (shell("command -v cmake >/dev/null 2>&1") != 0) GTEST_SKIP() << "cmake is not on the path";
    const r7::test::ScratchDir scratch(false);
    const fs::path& tmp = scratch.path();
    const fs::path prefix = tmp / "prefix", work = tmp / "work";
    const fs::path build = r7::test::r7_binary().parent_path();
    const std::string log = quoted((tmp / "log").string());
    ASSERT_EQ(shell("cmake --install " + quoted(build.string()) + " --prefix " + quoted(prefix.string()) + " >" +
                    log + " 2>&1"),
              0)
        << read_file(tmp / "log");
    const fs::path r7 = prefix / "bin" / "r7", prepare = prefix / "bin" / "r7-prepare";
    ASSERT_TRUE(fs::exists(r7));
    ASSERT_TRUE(fs::exists(prepare));
    ASSERT_TRUE(fs::exists(prefix / "share" / "r7" / "inparm.t"));

    const fs::path shared = prefix / "share" / "r7" / "published";
    ASSERT_TRUE(fs::exists(shared / "invsop1.t"));
    const std::string run_prepare = quoted(prepare.string()) + " " + quoted(work.string()) + " >" + log + " 2>&1";
    const std::string without_r7_data = "env -u R7_DATA ";

    // R7_DATA naming a folder without the published data: the directory cannot
    // be used, say so.
    fs::create_directory(tmp / "empty");
    EXPECT_NE(shell("R7_DATA=" + quoted((tmp / "empty").string()) + " " + run_prepare), 0);
    EXPECT_NE(read_file(tmp / "log").find("R7_DATA"), std::string::npos);

    // A user's edited set and a stale link to moved data are there already.
    const std::string users = "the user's own inedit.t\n";
    write_file(work / "inedit.t", users);
    fs::create_symlink(tmp / "gone" / "VSOP87C.mer", work / "VSOP87C.mer");

    // Without R7_DATA the installation's own copy of the published data is linked.
    ASSERT_EQ(shell(without_r7_data + run_prepare), 0) << read_file(tmp / "log");
    EXPECT_EQ(read_file(work / "inedit.t"), users);
    for (const char* name : {"inparm.t", "ingiza.t", "inteoti.t"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(work / name))) << name;
        EXPECT_EQ(read_file(work / name), read_file(prefix / "share" / "r7" / name)) << name;
    }
    for (const char* name : {"invsop1.t", "invsop3.t", "VSOP87C.mer", "VSOP87A.emb"}) {
        EXPECT_TRUE(fs::is_symlink(work / name)) << name;
        EXPECT_TRUE(fs::exists(work / name)) << name << " points nowhere";
        EXPECT_TRUE(fs::equivalent(work / name, shared / name)) << name;
    }
    EXPECT_FALSE(fs::exists(work / "README.md"));
    EXPECT_FALSE(fs::exists(work / "published"));

    // R7_DATA names another folder of the published data: its files are linked.
    const fs::path other = tmp / "other";
    ASSERT_EQ(shell("R7_DATA=" + quoted(r7::test::published_data().string()) + " " + quoted(prepare.string()) +
                    " " + quoted(other.string()) + " >" + log + " 2>&1"),
              0)
        << read_file(tmp / "log");
    EXPECT_TRUE(fs::equivalent(other / "invsop1.t", r7::test::published_data() / "invsop1.t"));

    // Preparing again changes nothing; then a fresh inedit.t comes from the
    // installation and the book option 16 runs to its closing lines.
    fs::remove(work / "inedit.t");
    ASSERT_EQ(shell(without_r7_data + run_prepare), 0) << read_file(tmp / "log");
    ASSERT_EQ(read_file(work / "inedit.t"), read_file(prefix / "share" / "r7" / "inedit.t"));
    ASSERT_EQ(shell("cd " + quoted(work.string()) + " && echo 16 | timeout 60 " + quoted(r7.string()) +
                    " >out.log 2>err.log"),
              0)
        << read_file(work / "err.log");
    const std::string out = read_file(work / "out.log");
    EXPECT_EQ(read_file(work / "err.log"), "");
    EXPECT_NE(out.find("Computation started"), std::string::npos);
    const auto end = out.rfind("-- end of run.");
    ASSERT_NE(end, std::string::npos) << out;
    EXPECT_EQ(out.find_first_not_of(" \n", end + 14), std::string::npos);
    EXPECT_NE(read_file(work / "inedit.t"), read_file(prefix / "share" / "r7" / "inedit.t"));
}
