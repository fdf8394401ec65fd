 ingiza.t  -  site data of Program R7: chambers of the Great Pyramid, pyramids
 of Giza, listing values and info text. A data line is a label of 20 columns
 (quoted) followed by its values in free form; other lines are not read.
 Chambers (lines 9-22): metres, x north, y up, z east, origin at the centre of
 the Great Pyramid's base; x, y at the centre of a chamber floor, z at its east
 wall, h = minus the east-west width. Line 22: Sun point 115.2 m (half the base
 side) due south of the Subterranean Chamber, on its level. Fit values: start
 X1-X3 [AU], X4-X6 [deg], M [m/AU]; steps (accuracy) in AU, rad and m/AU.
'fit start values  '  -0.4  0.0  0.0  0.0  30.0  0.0  63.0
'fit steps         '  1.0e-5  1.0e-5  1.0e-5  1.0e-5  1.0e-5  1.0e-5  1.0e-3
 (fit engine: points kept, evaluation limit, two counters; step factor,
'fit iw(1..4)      '  8  2000  0  0
'fit w(1..3)       '  1000.0  0.0  0.0
  storage mode, scratch; trace flag 1 prints every step of the fit)
'fit trace flag    '  0
 point                x [m]     y [m]     z [m]     h [m]
 -------------------------------------------------------
'Kings Chamber     '  -11.0    43.0     7.6   -10.47
'Queens Chamber    '    0.0    21.2     2.9    -5.76
'Subterranean Ch.  '   -4.0   -30.0     8.0   -14.08
 target differences [deg]: Mercury-Venus, Mercury-Earth (Sun south of point 3)
'target differences'  -23.24  -34.01
 -----------------------------------------------------------------------------
 Giza (lines 27-40): metres, x north, y west, z up, origin at the centre of
 Menkaure; x, y of the centres from Petrie's survey; z = base level above sea
 level (approximate values), h = original height. Point 1 Khufu, 2 Khafre, 3 Menkaure.
'fit start values  '  -0.4  0.0  0.0  0.0  30.0  0.0  1541.0
'fit steps         '  1.0e-5  1.0e-5  1.0e-5  1.0e-5  1.0e-5  1.0e-5  1.0e-3
 (fit engine: points kept, evaluation limit, two counters; step factor,
'fit iw(1..4)      '  8  2000  0  0
'fit w(1..3)       '  1000.0  0.0  0.0
  storage mode, scratch; trace flag 1 prints every step of the fit)
'fit trace flag    '  0
 point                x [m]     y [m]     z [m]     h [m]
 -------------------------------------------------------
'Khufu             '   739.19  -574.45    60.4   146.6
'Khafre            '   385.33  -240.03    70.4   143.5
'Menkaure          '     0.00     0.00    64.0    65.5
 target differences [deg] for a Sun point due south of Khafre (725.7 m S of Menkaure)
'target differences'  18.30  31.16
 -----------------------------------------------------------------------------
 The built-in targets 12.19 and 21.41 deg belong to a Sun point 725.7 m due
 south of Menkaure. Lines 45-48: JDEs (TT) of the dated constellations for the
 coordinate listing: chambers, syzygy, transit, pyramids.
'JDE chambers      '  2849035.77863
'JDE syzygy        '  2849066.01324
'JDE transit       '  2849067.30149
'JDE pyramids      '  2849079.76330
 -----------------------------------------------------------------------------
 Notes
  Target differences: seen from the Sun point, the direction to each point is
  counted from north (x) towards y (west at Giza, up in the chambers); the
  targets are direction(point 3) - direction(point 2) for Mercury - Venus and
  direction(point 3) - direction(point 1) for Mercury - Earth.
  Giza, Sun point (-725.7, 0): 12.19, 21.41; Sun point (-725.7, -240.03):
  18.30, 31.16. Chambers, Sun point (-119.2, -30.0): -23.24, -34.01.
  Listing values: chambers = perihelion passage k = 4518 (17 Apr. 3088),
  pyramids = aphelion passage k = 4519 (31 May 3088, constellation 12);
  syzygy and transit are 0h TT of 17 and 18 May 3088 (provisional values).
  Fit settings: start values and steps are first estimates; the scale M
  (metres per AU) is about 1541 at Giza and 63 in the chambers.
  Levels: base (z), centre of mass (z + h/4) and top (z + h) at Giza; east
  wall (z), middle (z + h/2) and west wall (z + h) in the chambers.
 -----------------------------------------------------------------------------
 Line 68: the observing site of transit runs with --site giza, the centre of the
 Great Pyramid's base: latitude and longitude [deg, WGS84] of the reference point
 of the chamber listings; height [m]: the base level of Khufu (line 36), sea level
'Great Pyramid      '  29.979197  31.134275  60.4
 taken for the ellipsoid (they differ by tens of metres at most; 100 m move a
 contact by less than 0.01 s).
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 
 Info text (lines 106-143: one quoted text of at most 70 characters each)
 -----------------------------------------------------------------------------
'Program R7 - Heliosynchronometrics'
' '
'R7 computes heliocentric positions of the planets (VSOP87, full or'
'short series, or Kepler orbits) and compares them with the layout'
'of monuments: the three pyramids of Giza, the three chambers of the'
'Great Pyramid, and the pyramids and temples of Teotihuacan.'
'It searches the passages of Mercury through aphelion or perihelion'
'for planet triangles shaped like the monuments, finds the transits'
'of Mercury and Venus with contacts and position angles, finds lines'
'(syzygies) of three or four planets, and compares the distances at'
'Teotihuacan with those of the planets on logarithmic scales.'
' '
'Choosing a run: answer the menu with a book option 1 to 20, with a'
'further coded answer (for example 300, 301 or 338), or with 999 for'
'your own set in inedit.t. Answer 0 for the detailed questions: each'
'lists its codes in brackets. Type one value and press Enter; a wrong'
'value brings a message and the same question again. Years may lie'
'from -13000 to 17000 with VSOP87, -30000 to 30000 with Kepler orbits.'
' '
'Files read from the working directory:'
'  inparm.t    the prepared parameter sets of the menu answers'
'  inedit.t    your editable set (lines 27 to 33)'
'  ingiza.t    site data of Giza and the chambers, and this text'
'  inteoti.t   the points of Teotihuacan'
'  invsop1.t   VSOP87 short series;  invsop3.t   Kepler elements'
'  VSOP87A.*  and  VSOP87C.*   the full VSOP87 series'
'  inserie.t   the numbered series of the transits'
'Files written:'
'  out.txt     the report, when output to a file is chosen, and with'
'  out.csv     its result rows as a table;  out.html  a page of figures'
'  inedit.t    the parameters of every run, from line 37 on'
'  inser-2.t   a new transit series file (menu answer -804)'
' '
'Each start of the program performs one run and then ends. To repeat'
'or vary a run, copy its set in inedit.t to lines 27 to 33, edit it'
'and answer 999. Transit tables with position angles need a terminal'
'at least 148 characters wide.'
'                                                 R7, Aug. 2022'
