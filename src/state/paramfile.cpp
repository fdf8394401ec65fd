#include "state/paramfile.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <istream>
#include <memory>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "io/error.hpp"
#include "io/freeread.hpp"
#include "io/layout.hpp"
#include "io/safefile.hpp"
#include "io/units.hpp"
#include "state/setcheck.hpp"

namespace r7 {

namespace {

constexpr const char* parm_file = "inparm.t";
constexpr const char* edit_file = "inedit.t";
constexpr const char* site_file = "ingiza.t";

constexpr int edit_head_lines = 36;  // lines 1 to 36 of inedit.t belong to the user
constexpr int edit_help_lines = 26;  // the help text before the editable set

// Help text of a newly created inedit.t (lines 1 to 26).
constexpr std::array<std::string_view, edit_help_lines> edit_help = {
    " inedit.t  -  the editable parameter set of Program R7",
    " ======================================================",
    " This file holds two parameter sets of seven records (A to G) each:",
    " lines 27 to 33 the editable set, which the menu answer 999 runs,",
    " and from line 37 on the set of the last run, which the program",
    " writes at the start of every run (not for the answers 999, -804).",
    " To repeat or vary a run: copy its seven records from line 37 on",
    " to lines 27 to 33, change values there and answer 999 in the menu.",
    " Keep 26 lines of text above the editable set and 3 lines below",
    " it: the program skips them without reading them.",
    " Records (values separated by blanks or commas, columns optional):",
    "  A  main option, conj. choice, ephemeris, full flag, combi flag",
    "  B  frame, table switch, date mode, time scale, calendar",
    "  C  planet order, passage, steps per passage, step width [h]",
    "  D  sun mode, level, coordinates, constellation",
    "  E  from year, until year, k-number, JDE",
    "  F  tolerance short, tolerance full, F consider, F print [%]",
    "  G  conj. filter, view, output detail, output choice",
    " Codes as in the detailed dialog (menu answer 0), for example:",
    "  main option 1 Giza, 2 chambers, 3 conj./transits, 4 Teotihuacan;",
    "  ephemeris 1 VSOP87 short (combi flag 1: checked with the full",
    "  series), 2 VSOP87 full (full flag 1), 3 Kepler orbits; frame",
    "  1 ecliptic of date, 2 J2000.0; output 1 monitor, 2 monitor and",
    "  file \"out.txt\", 3 special, 4 exit.",
    " Each value must lie where the dialog would accept it (else: exit 1).",
    " ---------------- editable set (lines 27 to 33) ----------------",
};

constexpr std::array<std::string_view, 3> edit_tail = {
    " ----------------------------------------------------------------",
    " (lines 34 to 36 are free text)",
    " ------------ set of the last run (from line 37 on) -------------",
};

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> v;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            v.push_back(text.substr(start));
            break;
        }
        v.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return v;
}

// Reads the seven records of a set from the reader's current line on.
void read_records(io::FreeReader& r, RunParams& p)
{
    r.read({&p.main_option, &p.conj_choice, &p.ephem_choice, &p.full_flag, &p.combi_flag});
    r.read({&p.frame_choice, &p.table_switch, &p.date_mode, &p.time_scale, &p.calendar_choice});
    r.read({&p.planet_order, &p.passage, &p.steps_per_passage, &p.step_width});
    r.read({&p.sun_mode, &p.level_choice, &p.coord_choice, &p.constellation});
    r.read({&p.year_from, &p.year_to, &p.k_number, &p.start_jde});
    r.read({&p.tol_short, &p.tol_full, &p.f_consider, &p.f_print});
    r.read({&p.conj_filter, &p.view, &p.output_detail, &p.output_choice});
}

void read_set(RunParams& p, int set_number)
{
    const bool edit = set_number == 999;
    const std::string name = edit ? edit_file : parm_file;
    const int skip = edit ? edit_help_lines : std::max(0, 10 * set_number + 1);
    const std::string which = edit ? std::string("the editable set (lines 27 to 33)")
                                   : "record set " + std::to_string(set_number) + " (lines " +
                                         std::to_string(skip + 1) + " to " + std::to_string(skip + 7) + ")";
    // A fresh set: nothing of an earlier run survives a record that leaves a
    // value out.
    RunParams q;
    q.menu_choice = p.menu_choice;
    try {
        io::FreeReader r(name);
        r.skip_lines(skip);
        r.set_one_line_records(true);
        read_records(r, q);
    } catch (const DataError& e) {
        throw DataError(e.kind(), name, e.line(),
                        "\"" + name + "\": " + which + " cannot be read: " + e.what());
    }
    // The set is used without the dialog's questions: every value must lie
    // where the dialog would have accepted it.
    if (const auto v = check_set(q)) {
        const int line = skip + 1 + v->record;
        throw DataError(DataError::Kind::invalid, name, line,
                        "\"" + name + "\": " + which + ", line " + std::to_string(line) + ": " + v->text);
    }
    q.vsop_variant = q.frame_choice == 2 ? 1 : 3;
    p = q;
}

// The run goes on without its set recorded; the user hears of it on the
// terminal and on standard error.
void not_updated(const std::string& why)
{
    io::units().note(std::string("  ---->  \"") + edit_file + "\" not updated: " + why);
}

} // namespace

std::string set_records(const RunParams& p)
{
    std::string s;
    s += io::fmt("(5i3)", {p.main_option, p.conj_choice, p.ephem_choice, p.full_flag, p.combi_flag});
    s += io::fmt("(5i3)", {p.frame_choice, p.table_switch, p.date_mode, p.time_scale, p.calendar_choice});
    // A step count of six digits would fill its i6 field and run into the
    // passage code before it, so that the record could not be read back; such a
    // count gets one column more.
    // Likewise a step width that would fill its f12.5 field (or overflow it into
    // asterisks) gets a field wide enough for its digits and a leading blank.
    std::string layout = p.steps_per_passage < 100000 ? "(2i3,i6,f12.5)" : "(2i3,i7,f12.5)";
    if (std::isfinite(p.step_width) && std::abs(p.step_width) >= 99999.999995) {
        const int digits = static_cast<int>(std::floor(std::log10(std::abs(p.step_width) + 0.5))) + 1;
        layout.replace(layout.find("f12"), 3, "f" + std::to_string(digits + 8));
    }
    s += io::fmt(layout, {p.planet_order, p.passage, p.steps_per_passage, p.step_width});
    s += io::fmt("(3i3,i4)", {p.sun_mode, p.level_choice, p.coord_choice, p.constellation});
    s += io::fmt("(3f13.5,f15.5)", {p.year_from, p.year_to, p.k_number, p.start_jde});
    s += io::fmt("(4f8.3)", {p.tol_short, p.tol_full, p.f_consider, p.f_print});
    s += io::fmt("(4i3)", {p.conj_filter, p.view, p.output_detail, p.output_choice});
    return s;
}

std::string default_edit_head(const RunParams& editable)
{
    std::string s;
    for (auto line : edit_help) {
        s += line;
        s += '\n';
    }
    s += set_records(editable);
    for (auto line : edit_tail) {
        s += line;
        s += '\n';
    }
    return s;
}

bool record_run_set(const RunParams& p, const std::function<void()>& before_replace)
{
    namespace fs = std::filesystem;

    // Lines 1 to 36 as they stand; a missing file, or one that ends early, is
    // completed from the default head (whose editable set is this run's set).
    std::vector<std::string> head;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(edit_file, ec))) {
        // A directory or a special file at inedit.t is neither read nor replaced.
        if (const std::string why = io::check_writable(edit_file); !why.empty()) {
            not_updated(why);
            return false;
        }
    }
    if (fs::exists(edit_file, ec)) {
        std::unique_ptr<std::istream> old;
        try {
            old = io::open_input(edit_file);
        } catch (const DataError& e) {
            not_updated(e.what());
            return false;
        }
        std::string line;
        while (static_cast<int>(head.size()) < edit_head_lines && std::getline(*old, line)) head.push_back(line);
        if (old->bad()) {
            not_updated("it cannot be read");
            return false;
        }
    }
    if (static_cast<int>(head.size()) < edit_head_lines) {
        const auto fill = split_lines(default_edit_head(p));
        for (std::size_t i = head.size(); i < static_cast<std::size_t>(edit_head_lines); ++i) head.push_back(fill[i]);
    }

    std::string text;
    for (const auto& line : head) {
        text += line;
        text += '\n';
    }
    text += set_records(p);
    text += ' ' + std::string(59, '-') + '\n';
    text += ' ' + std::string(27, '*') + " END " + std::string(27, '*') + '\n';

    // A unique temporary file, renamed over inedit.t: lines 1 to 36 survive a
    // crash or a full disk at any moment, and a link is never written through.
    if (const std::string why = io::write_file_atomic(edit_file, text, 0644, before_replace); !why.empty()) {
        not_updated(why);
        return false;
    }
    return true;
}

void inputfile(RunParams& p, int set_number, int mode)
{
    if (mode == 1) {
        read_set(p, set_number);
    } else if (mode == 2) {
        record_run_set(p);
    }
}

void info()
{
    constexpr int first = 106, count = 38, width = 70;
    std::vector<std::string> text(count);
    try {
        io::FreeReader r(site_file);
        r.skip_lines(first - 1);
        for (auto& t : text) r.read({&t});
    } catch (const DataError& e) {
        throw DataError(e.kind(), site_file, e.line(),
                        std::string("\"") + site_file + "\": the info text (lines 106 to 143) cannot be read: " +
                            e.what());
    }
    std::vector<io::Arg> args;
    args.reserve(count);
    for (auto& t : text) {
        t.resize(width, ' ');
        args.emplace_back(t);
    }
    auto& term = io::units().terminal();
    term << io::layout("(///38(5x,a70/))").write(args);
    term.flush();
}

} // namespace r7
