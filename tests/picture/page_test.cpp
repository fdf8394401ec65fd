// The report page as a file: written only beside out.txt, replaced as a whole,
// never through a symbolic link, every text escaped.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "picture/page.hpp"
#include "picture/svg.hpp"
#include "test_support.hpp"

namespace r7::picture {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::ScratchDir;
using test::write_file;

TEST(Page, TextsAreEscapedAndTheReportIsKeptWhole)
{
    EXPECT_EQ(escape("a<b>&\"c\"'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;");
    EXPECT_EQ(escape(std::string("x\x01y", 3)), "x&#xFFFD;y");
    results::Run run;
    const std::string report = "\n   <script>alert(1)</script> & more\n\n body line\n";
    const std::string html = page_html(run, report);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("<title>R7: &lt;script&gt;alert(1)&lt;/script&gt; &amp; more</title>"), std::string::npos);
    EXPECT_NE(html.find("<pre>" + escape(report) + "</pre>"), std::string::npos);
}

TEST(Page, WrittenExactlyWhenTheReportGoesToOutTxt)
{
    struct Case {
        const char* input;
        bool page;
    };
    // Answer 13 reports to out.txt; the detailed transit dialog ending in
    // "Monitor (1)" does not.
    for (const Case& c : {Case{"13\n", true}, Case{"0\n3\n1\n2\n3\n1\n2\n2000\n2050\n1\n1\n", false}}) {
        ScratchDir dir;
        const auto r = test::run_program(dir.path(), c.input);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(fs::exists("out.html"), c.page) << c.input;
        if (!c.page) continue;
        const std::string html = read_file("out.html");
        EXPECT_NE(html.find("<pre>" + escape(read_file("out.txt")) + "</pre>"), std::string::npos);
        EXPECT_NE(html.find("<svg"), std::string::npos);
    }
}

} // namespace
} // namespace r7::picture
