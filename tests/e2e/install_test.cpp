// The build installed into a temporary prefix: r7-prepare, a book option run
// there, and the documentation.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using namespace r7::test;


TEST(Install, PreparedDirectoryRunsTheInstalledProgramWithItsDocumentation)
{
    if (shell("command -v cmake >/dev/null 2>&1") != 0) GTEST_SKIP() << "cmake is not on the path";
    const r7::test::ScratchDir scratch(false);
    const fs::path& tmp = scratch.path();
    const fs::path prefix = tmp / "prefix", work = tmp / "work";
    const std::string log = quoted((tmp / "log").string());
    ASSERT_EQ(shell("cmake --install " + quoted(r7::test::r7_binary().parent_path().string()) + " --prefix " +
                    quoted(prefix.string()) + " >" + log + " 2>&1"),
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

    // R7_DATA naming a folder without the published data is refused.
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

    // Preparing again brings a fresh inedit.t; book option 16 runs to its end.
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

    // The documentation travels with the program.
    const fs::path page = prefix / "share" / "man" / "man1" / "r7.1";
    ASSERT_TRUE(fs::exists(page));
    EXPECT_EQ(read_file(prefix / "share" / "doc" / "r7" / "README.md"),
              read_file(r7::test::install_data().parent_path() / "README.md"));
    EXPECT_TRUE(fs::exists(prefix / "share" / "doc" / "r7" / "doc" / "figures" / "transits.png"));

    // The version of --version is the one of the manual page.
    ASSERT_EQ(shell(quoted(r7.string()) + " --version >" + quoted((tmp / "version").string())), 0);
    const std::string version = read_file(tmp / "version");
    const auto at = version.find(", version ");
    ASSERT_NE(at, std::string::npos) << version;
    const std::string number = version.substr(at + 10, version.size() - at - 11);
    EXPECT_NE(read_file(page).find("\"r7 " + number + "\""), std::string::npos) << number;

    // Every option of --help is described in the manual page.
    ASSERT_EQ(shell(quoted(r7.string()) + " --help >" + quoted((tmp / "help").string())), 0);
    const std::string man_text = read_file(page);
    for (const auto& line : r7::test::lines_of(read_file(tmp / "help"))) {
        const auto dash = line.find("--");
        if (!line.starts_with("  --") || dash == std::string::npos) continue;
        const std::string option = line.substr(dash, line.find_first_of(" ,", dash) - dash);
        std::string escaped;
        for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(man_text.find(escaped), std::string::npos) << option;
    }

    // r7-prepare explains itself on standard output.
    EXPECT_EQ(shell(quoted(prepare.string()) + " --help >" + quoted((tmp / "p").string()) + " 2>" + log), 0);
    EXPECT_TRUE(read_file(tmp / "p").starts_with("usage: r7-prepare [DIR]")) << read_file(tmp / "p");
    EXPECT_EQ(read_file(tmp / "log"), "");
    EXPECT_EQ(shell(quoted(prepare.string()) + " --bogus >/dev/null 2>&1"), 64);
}
