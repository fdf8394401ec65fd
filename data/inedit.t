 inedit.t  -  the editable parameter set of Program R7
 ======================================================
 This file holds two parameter sets of seven records (A to G) each:
 lines 27 to 33 the editable set, which the menu answer 999 runs,
 and from line 37 on the set of the last run, which the program
 writes at the start of every run (not for the answers 999, -804).
 To repeat or vary a run: copy its seven records from line 37 on
 to lines 27 to 33, change values there and answer 999 in the menu.
 Keep 26 lines of text above the editable set and 3 lines below
 it: the program skips them without reading them.
 Records (values separated by blanks or commas, columns optional):
  A  main option, conj. choice, ephemeris, full flag, combi flag
  B  frame, table switch, date mode, time scale, calendar
  C  planet order, passage, steps per passage, step width [h]
  D  sun mode, level, coordinates, constellation
  E  from year, until year, k-number, JDE
  F  tolerance short, tolerance full, F consider, F print [%]
  G  conj. filter, view, output detail, output choice
 Codes as in the detailed dialog (menu answer 0), for example:
  main option 1 Giza, 2 chambers, 3 conj./transits, 4 Teotihuacan;
  ephemeris 1 VSOP87 short (combi flag 1: checked with the full
  series), 2 VSOP87 full (full flag 1), 3 Kepler orbits; frame
  1 ecliptic of date, 2 J2000.0; output 1 monitor, 2 monitor and
  file "out.txt", 3 special, 4 exit.
 Each value must lie where the dialog would accept it (else: exit 1).
 ---------------- editable set (lines 27 to 33) ----------------
  1  4  1  0  1
  1  1  1  1  2
  0  1     0    24.00000
  5  1  1  15
   2900.00000   3300.00000      0.00000        0.00000
   5.000   2.000   0.000   0.000
  1  1  1  2
 ----------------------------------------------------------------
 (lines 34 to 36 are free text)
 ------------ set of the last run (from line 37 on) -------------
