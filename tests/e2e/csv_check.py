#!/usr/bin/env python3
"""Checks out.csv of a run against its report out.txt, with Python's csv module.

usage: csv_check.py DIR

Reads DIR/out.csv and DIR/out.txt. The report's result rows are the lines of
its tables (between the ruler of '=' under the table head and the next one);
out.csv must have exactly as many data lines, in the same order, and every
value of a column that the report prints must agree with the printed number
to its printed precision. Prints what disagrees and exits 1; exits 0 when all
agree.
"""
import csv
import re
import sys

NUMBER = re.compile(r"-?\d+\.\d*|-?\d+")

# Columns whose values the report rows print, by the table's first column;
# the Giza and chamber tables print the columns their head names.
PRINTED = {
    "planet": ["k", "offset_days", "dl_mercury_venus_deg", "dl_mercury_earth_deg", "dl_mercury_mars_deg",
               "separation_arcsec", "pa_I_deg", "pa_II_deg", "pa_greatest_deg", "pa_III_deg", "pa_IV_deg",
               "sd_sun_arcsec", "sd_planet_arcsec", "series"],
    "planets": ["number", "k", "jde_tt", "year", "offset_days", "dl_mercury_venus_deg", "dl_mercury_earth_deg",
                "dl_mercury_mars_deg", "spread_deg"],
    "year": ["year", "u_perihelion", "v_perihelion", "R2_perihelion", "adj_R2_perihelion", "u_mean", "v_mean",
             "R2_mean", "adj_R2_mean", "u_aphelion", "v_aphelion", "R2_aphelion", "adj_R2_aphelion"],
}
SITE_HEAD = {"k": "k", "JDE": "jde_tt", "year": "year", "Lm": "lon_mercury_deg", "Lm-Lv": "dl_mercury_venus_deg",
             "Lm-Le": "dl_mercury_earth_deg", "del1": "deviation_a_deg", "del2": "deviation_b_deg",
             "e": "fit_status", "it": "evaluations", "X5": "x5_deg", "h-Sun": "sun_elevation_deg",
             "x-Sun": "sun_x_m", "y-Sun": "sun_y_m", "z-Sun": "sun_z_m", "dr": "dr_m", "F[%]": "F_percent",
             "dt[days]": "offset_days", "dt[h]": "offset_h", "no.": "step"}
# Instants that the transit rows print as h:mm:ss.
TIMES = ["contact_I_time", "contact_II_time", "greatest_time", "contact_III_time", "contact_IV_time"]
RESULT_HEAD = re.compile(r"^ (co|con|co/p|co tr)\s|^\s+Julian year\s")
# The block of a transit seen from a site under its row: a head, then one line
# per phase (I, II, greatest, III, IV), the local columns of the row.
LOCAL_HEAD = re.compile(r"^   at .*date\s+time (UT|TT) Sun alt\.")
LOCAL_LINE = re.compile(r"^     (I|II|greatest|III|IV)\s")
LOCAL_PHASES = {"I": "contact_I", "II": "contact_II", "greatest": "greatest", "III": "contact_III",
                "IV": "contact_IV"}
LOCAL_VALUES = ["_sun_altitude_deg", "_sun_azimuth_deg", "_pa_deg", "_zenith_angle_deg"]


def report_rows(text):
    """The result rows of the report's result tables, each with the words of
    its table head; a Teotihuacan epoch with its full table is one row made of
    its block of lines."""
    lines = text.split("\n")
    rows = []
    i = 0
    while i < len(lines):
        if not lines[i].startswith(" ====="):
            i += 1
            continue
        above = lines[i - 1] if i > 0 else ""
        j = i + 1
        head = None
        if RESULT_HEAD.match(above):
            head = above
        elif above.lstrip().startswith("(") and i > 1 and RESULT_HEAD.match(lines[i - 2]):
            # Passage areas: the first head line for the row at the passage,
            # the second (ditto marks) for the steps across it, which print a JDE.
            first = lines[i - 2]
            second = " ".join(first.split()[:1]) + " " + above.replace('"', " ") + " " + " ".join(
                first.split()[-6:])
            head = (first, second)
        elif j + 1 < len(lines) and RESULT_HEAD.match(lines[j]) and lines[j + 1].startswith(" -----"):
            head, j = lines[j], j + 2
        elif above.startswith("    Body"):
            head = "teoti"
        block = []
        while j < len(lines) and not lines[j].startswith(" ====="):
            # Rulers and the calendar line ("---- (Greg. cal.) ----") are no
            # rows; the lines of a site's block belong to the row above them.
            if LOCAL_HEAD.match(lines[j]) or (LOCAL_LINE.match(lines[j]) and block):
                LOCAL.setdefault(len(rows) + len(block) - 1, []).append(lines[j])
            elif lines[j].strip() and not lines[j].strip().startswith("---"):
                block.append(lines[j])
            j += 1
        if head == "teoti":
            rows.append(("", " ".join(block)))
        elif isinstance(head, tuple):
            step = re.compile(r"\d{6,}\.\d{3}(\s|$)")
            rows.extend((head[1] if step.search(b) else head[0], b) for b in block)
        elif head is not None:
            rows.extend((head, b) for b in block)
        i = j
    return rows


# The block lines of the rows, by the row's index in the list of report_rows.
LOCAL = {}


def local_faults(n, rec, block):
    """What disagrees between the local columns of a row and its block."""
    faults = []
    phases = [line for line in block if LOCAL_LINE.match(line)]
    if len(phases) != 5:
        return [f"row {n}: {len(phases)} phase lines under the row, not 5"]
    for line in phases:
        name = LOCAL_PHASES[line.split()[0]]
        time = rec.get("local_" + name + "_time", "")
        if " -- " in line:
            if time:
                faults.append(f"row {n}: local {name} at {time}, the block says: {line.strip()}")
            continue
        if not time or not any(c in line for c in clocks(time)):
            faults.append(f"row {n}: local_{name}_time = {time} not in: {line.strip()}")
            continue
        for col in LOCAL_VALUES:
            value = rec.get("local_" + name + col, "")
            if not agrees(value, line):
                faults.append(f"row {n}: local_{name}{col} = {value} not in: {line.strip()}")
        below = rec.get("local_" + name + "_sun_below_horizon", "")
        if (below == "1") != ("*" in line):
            faults.append(f"row {n}: local_{name}_sun_below_horizon = {below}: {line.strip()}")
        if name == "greatest" and not agrees(rec.get("local_separation_arcsec", ""), line.split("sep.")[1]):
            faults.append(f"row {n}: local_separation_arcsec = {rec.get('local_separation_arcsec')}: {line.strip()}")
    return faults


def agrees(value, row):
    """True when some number of the report row is value at its printed precision."""
    v = float(value)
    for token in NUMBER.findall(row):
        decimals = len(token.split(".")[1]) if "." in token else 0
        if abs(v - float(token)) <= 0.5 * 10 ** -decimals + 1e-9 * max(1.0, abs(v)):
            return True
    return False


def clocks(iso):
    """The h:mm:ss the report may print for an ISO time: seconds rounded; both
    neighbours where the millisecond shown is a half second (the report rounds
    the unrounded instant)."""
    t = iso.split("T")[1]
    h, m, sec = int(t[0:2]), int(t[3:5]), float(t[6:])
    whole = [int(sec + 0.5)] if abs(sec % 1.0 - 0.5) > 0.0015 else [int(sec), int(sec) + 1]
    shown = []
    for s in whole:
        hh, mm = h, m
        if s == 60:
            s, mm = 0, mm + 1
        if mm == 60:
            mm, hh = 0, hh + 1
        if hh == 24:
            hh = 0
        shown.append(f"{hh:2d}:{mm:2d}:{s:2d}")
    return shown


def main():
    folder = sys.argv[1]
    with open(folder + "/out.csv", newline="", encoding="utf-8") as f:
        reader = csv.reader(f, strict=True)
        header = next(reader)
        data = [dict(zip(header, r)) for r in reader]
    widths = {len(r) for r in data}
    with open(folder + "/out.txt", encoding="utf-8") as f:
        rows = report_rows(f.read())
    faults = []
    if len(data) != len(rows):
        faults.append(f"{len(data)} data lines in out.csv, {len(rows)} result rows in out.txt")
    for n, (rec, (head, row)) in enumerate(zip(data, rows), start=1):
        printed = PRINTED.get(header[0], [])
        if header[0] == "site":
            words = head.replace('(', ' ').replace(')', ' ').split()
            printed = [SITE_HEAD[w] for w in words if w in SITE_HEAD]
            if "~k" in words:
                printed = [c for c in printed if c not in ("k",)] + ["k"]
        for col in printed:
            if rec.get(col, "") != "" and not agrees(rec[col], row):
                faults.append(f"row {n}: {col} = {rec[col]} not in: {row.strip()}")
        for col in TIMES:
            if rec.get(col, "") and not any(c in row for c in clocks(rec[col])):
                faults.append(f"row {n}: {col} = {rec[col]} not in: {row.strip()}")
        if "local_type" in header:
            faults.extend(local_faults(n, rec, LOCAL.get(n - 1, [])))
        elif n - 1 in LOCAL:
            faults.append(f"row {n}: a site's block in the report, no local columns in out.csv")
    for fault in faults[:20]:
        print(fault)
    if faults:
        return 1
    print(f"{len(data)} rows, {len(header)} columns agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
