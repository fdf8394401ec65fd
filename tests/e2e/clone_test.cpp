// A fresh clone (what is committed) runs on its own: run.sh prepares a working
// directory from its data/ without ../shared or R7_DATA (the built program via R7_BINARY).
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::quoted;
using r7::test::read_file;
using r7::test::shell;

TEST(Clone, RunsABookOptionWithNothingBesideIt)
{
    const fs::path source = r7::test::install_data().parent_path();
    if (shell("git -C " + quoted(source.string()) + " rev-parse --is-inside-work-tree >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "the sources are not a git checkout";
    }
    const r7::test::ScratchDir scratch(false);
    const fs::path& tmp = scratch.path();
    const fs::path repo = tmp / "repo", work = tmp / "work";
    const auto git = r7::test::run_shell(tmp, "git clone -q " + quoted(source.string()) + " " + quoted(repo.string()));
    ASSERT_EQ(git.status, 0) << git.err;
    ASSERT_FALSE(fs::exists(tmp / "shared"));

    const std::string run_sh = "cd " + quoted(tmp.string()) + " && env -u R7_DATA R7_BINARY=" +
                               quoted(r7::test::r7_binary().string()) + " " + quoted((repo / "run.sh").string());
    // Book option 3 reads the full series (VSOP87C), the short series and the
    // Kepler elements.
    ASSERT_EQ(shell(run_sh + " " + quoted(work.string()) + " -- 3 </dev/null >out.log 2>err.log"), 0)
        << read_file(tmp / "err.log");
    EXPECT_EQ(read_file(tmp / "err.log"), "");
    const std::string out = read_file(tmp / "out.log");
    EXPECT_TRUE(out.find("-- end of run.") != std::string::npos && out.find("ierr") == std::string::npos) << out;
    for (const char* name : {"invsop1.t", "invsop3.t", "VSOP87C.mer", "VSOP87A.emb"}) {
        EXPECT_TRUE(fs::exists(work / name)) << name;
        EXPECT_TRUE(fs::equivalent(work / name, repo / "data" / "published" / name)) << name;
    }
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(work / "inparm.t")));
    EXPECT_FALSE(fs::exists(work / "published"));
    EXPECT_FALSE(fs::exists(work / "README.md"));

    // A menu answer as first argument runs in the default folder (work/ in the
    // clone) and creates no folder named after it.
    ASSERT_EQ(shell(run_sh + " 16 </dev/null >out.log 2>err.log"), 0) << read_file(tmp / "err.log");
    EXPECT_NE(read_file(tmp / "out.log").find("-- end of run."), std::string::npos);
    EXPECT_FALSE(fs::exists(tmp / "16"));
    EXPECT_TRUE(fs::exists(repo / "work" / "inedit.t"));
    // What r7 refuses is refused before any work.
    EXPECT_EQ(shell(run_sh + " " + quoted((tmp / "other").string()) + " 3 --bogus </dev/null >/dev/null 2>&1"), 64);
}
