// Changes to a record set given on the command line (r7 11 --from 2000 --to 2100
// --ut): the commonest fields of a run, changed after the set is read and before
// it is checked, recorded in "inedit.t" and run. Each change is made only where
// the detailed dialog would have asked for that field with the set's other
// answers, and only to a value the dialog would accept there, so that every run
// the options make is one the dialog can make too.
#pragma once

#include <optional>
#include <string>

#include "state/params.hpp"

namespace r7 {

struct Overrides {
    std::optional<double> year_from;   // --from YEAR
    std::optional<double> year_to;     // --to YEAR
    std::optional<int> time_scale;     // --tt, --ut (TimeScale codes)
    std::optional<int> series;         // --short (EphemChoice::short_series), --full (full_series)
    std::optional<int> output;         // --file, --monitor (OutputChoice codes)

    bool empty() const { return !year_from && !year_to && !time_scale && !series && !output; }
};

// The option names of each field, for messages.
struct OverrideRefusal {
    std::string text; // "--ut: answer 3 has no time scale: ..."
};

// apply_overrides: the command line's changes applied to a record set.
// Takes:    the changes, the set p (the record set of p.menu_choice as read).
// Returns:  nothing when every change is made (p then holds them); else the
//           first change the set's study does not have or the dialog would
//           refuse, with the reason and, for a value, the dialog's range, and p
//           is left as it was.
// Notes:    1. The changes are made in the order years, time scale, series,
//              output; the changed set must then pass check_set, else the
//              refusal says why it would not run.
//           2. --full for a transit run is the dialog's "full v.": the short
//              series searches, the full series confirms. --file keeps the
//              choice "special", which writes the file already.
std::optional<OverrideRefusal> apply_overrides(const Overrides& o, RunParams& p);

// refuse_site: whether a set can take a site (--site).
// Takes:    the set p, as it will run.
// Returns:  nothing for a transit run of Mercury or Venus in the ecliptic of
//           date; else the reason.
std::optional<OverrideRefusal> refuse_site(const RunParams& p);

} // namespace r7
