// The report page: none for a report to the monitor, every text escaped, the long
// runs summarised (the report kept whole: the layout test, on every page it reads).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "picture/page.hpp"
#include "picture/svg.hpp"
#include "test_support.hpp"

namespace r7::picture {
namespace {

namespace fs = std::filesystem;

TEST(Page, TextsAreEscaped)
{
    EXPECT_EQ(escape("a<b>&\"c\"'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;");
    EXPECT_EQ(escape(std::string("x\x01y", 3)), "x&#xFFFD;y");
    results::Run run;
    const std::string report = "\n   <script>alert(1)</script> & more\n\n body line\n";
    const std::string html = page_html(run, report);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("<title>R7: &lt;script&gt;alert(1)&lt;/script&gt; &amp; more</title>"), std::string::npos);
}

TEST(Page, NoneWhenTheReportGoesToTheMonitor)
{
    // The detailed transit dialog ending in "Monitor (1)" (the layout test's answers write their pages).
    test::ScratchDir dir;
    const auto r = test::run_program(dir.path(), "0\n3\n1\n2\n3\n1\n2\n2000\n2050\n1\n1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists("out.html"));
}

// A run of n transits, step years apart from the year from (date mode 4).
std::vector<results::Transit> transits(int body, int n, double from, double step)
{
    std::vector<results::Transit> rows(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        results::Transit& t = rows[static_cast<std::size_t>(i)];
        t.body = body;
        t.date_mode = 4;
        t.year = from + step * i;
        t.jde = 2451545.0 + (t.year - 2000.0) * 365.25;
        t.letter = i % 7 == 0 ? 'm' : body == 1 ? 'M' : 'V';
        t.ttype = 3;
        t.sep = (i % 2 ? 1.0 : -1.0) * (100.0 + 13.0 * (i % 60));
        t.sd_sun = 960.0;
        t.sd_planet = body == 1 ? 5.0 : 30.0;
        for (std::size_t k = 0; k < 5; ++k) t.phase[k] = results::Phase{true, 1, 2, 3, 100.0 + 20.0 * static_cast<double>(k)};
    }
    return rows;
}

TEST(Page, LongTransitRunsShowEveryTransitAndSayWhichHaveNoDiagram)
{
    auto both = transits(1, 300, 1000.0, 5.0);
    const auto venus = transits(2, 20, 1100.0, 50.0);
    both.insert(both.end(), venus.begin(), venus.end());
    // The transits, the figures of their page (a diagram each, up to 60, then a chart of all as well), its words.
    using Case = std::tuple<std::vector<results::Transit>, int, std::vector<std::string>>;
    for (const auto& [rows, figures, words] :
         {Case{transits(1, 60, 1700.0, 6.0), 60, {}},
          Case{transits(1, 68, 1605.0, 7.3), 61,
               {"The run lists 68 transits of Mercury from 1605 to 2094; the chart shows every one of them.",
                "Diagrams follow for 60 transits", "Left out of the diagrams (in the chart and in the report below): 8 transits from 1605 to 1656."}},
          Case{both, 61,
               {"320 transits: 300 of Mercury (1000 to 2495) and 20 of Venus (1100 to 2050)",
                "of Mercury 40 transits from 1900 to 2095; of Venus 20 transits from 1100 to 2050",
                "Mercury: 180 transits from 1000 to 1895 and 80 transits from 2100 to 2495"}}}) {
        SCOPED_TRACE(rows.size());
        results::Run run;
        run.transits = rows;
        const std::string html = page_html(run, "\n  TRANSITS\n");
        EXPECT_EQ(test::count(html, "<svg"), figures);
        for (const auto& w : words) EXPECT_NE(html.find(w), std::string::npos) << w;
        EXPECT_EQ(html.find("Left out") != std::string::npos, rows.size() > 60);
    }
}

// The page says what a class letter means in the words of the key to the
// reports (README, "Reading the reports"), which out.csv uses as well.
TEST(Page, ClassesInTheWordsOfTheKey)
{
    const std::string readme = test::read_file(test::install_data().parent_path() / "README.md");
    const auto key = readme.find("**Marks that several tables share.**");
    ASSERT_NE(key, std::string::npos);
    const std::string table = readme.substr(key, readme.find("**Transit tables**", key) - key);
    for (char c : {'M', 'm', 'V', 'v', 'C', 'c'}) {
        const std::string words(results::class_meaning(c));
        ASSERT_FALSE(words.empty()) << c;
        EXPECT_NE(table.find(words), std::string::npos) << c << ": " << words;
    }
    results::Run run;
    run.transits = transits(2, 1, 2004.0, 1.0);
    run.transits[0].letter = 'V';
    EXPECT_NE(page_html(run, "").find("class V: inside the Sun&#39;s disk for every observer on the Earth"), std::string::npos);
}

} // namespace
} // namespace r7::picture
