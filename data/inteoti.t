 inteoti.t  -  the 18 Teotihuacan points of Program R7 (main option 4); lines 1-19 are not read
 Record: name (quoted), position mark, distance mark, GPS latitude [deg N], GPS longitude [deg, west
 negative], distance from point 1 [m], map distance [mm] on a 1:10000 plan (1 mm = 10 m).
 Coordinates: WGS84, approximate to about 10 m, from published site plans and satellite maps.
 Marks: "*" pyramid/temple position off-axis;  "+" sum or difference of two distances.
 Point 1, the Temple of the Feathered Serpent (Quetzalcoatl) in the Ciudadela, is the reference (Sun).
 Points 3-6, 8-11 stand for Mercury to Neptune, point 7 for "Phaeton" (2.8 AU, between Mars and
 Jupiter); point 2, the Plaza de la Luna, gives the "luna" unit of the report.
 The axis: the line from point 1 parallel to the Avenue of the Dead, 15.5 deg east of north.
 Markers without a named monument lie on the axis at 243.1 m per AU of the planet's mean distance
 (Mercury .3871, Venus .7233, Earth 1, Mars 1.5237, Phaeton 2.8, Uranus 19.1913, Neptune 30.069 AU);
 the scale puts Jupiter (5.2026 AU) on the Pyramid of the Sun, centre.  Saturn: Pyramid of the Moon,
 centre.  Plaza de la Luna: the Moon pyramid's centre carried square onto the axis.
 Points 12-18 measure around point 15, the summit of Cerro Gordo (C.G.), D = its distance from
 point 1: 12-14 = D minus the distance of the Sun pyramid, the Moon pyramid, the Uranus marker
 from the summit; 16-18 = D plus those distances in reverse order (no coordinates: 0 0).
 Distances: geodetic from the coordinates (point 5 via point 3), rounded to 1 m.
 name                   pos. dist.   latitude    longitude   dist. [m]  map [mm]
 ---------------------------------------------------------------------------------------------------
'Feathered Serpent'    ' ' ' '   19.681900   -98.848100        0.     0.0
'Plaza de la Luna'     ' ' ' '   19.699175   -98.843042     1985.   198.5
'Mercury marker'       ' ' ' '   19.682719   -98.847860       94.     9.4
'Venus marker'         ' ' ' '   19.683431   -98.847652      176.    17.6
'Earth marker'         ' ' ' '   19.684016   -98.847480      243.    24.3
'Mars marker'          ' ' ' '   19.685124   -98.847156      370.    37.0
'Phaeton marker'       ' ' ' '   19.687825   -98.846365      681.    68.1
'Pyramid of the Sun'   '*' ' '   19.692500   -98.843600     1265.   126.5
'Pyramid of the Moon'  '*' ' '   19.699400   -98.843900     1987.   198.7
'Uranus marker'        ' ' ' '   19.722511   -98.836208     4665.   466.5
'Neptune marker'       ' ' ' '   19.745529   -98.829467     7310.   731.0
'C.G. - Sun pyramid'   '*' '+'   19.692500   -98.843600     1263.   126.3
'C.G. - Moon pyramid'  '*' '+'   19.699400   -98.843900     1929.   192.9
'C.G. - Uranus marker' ' ' '+'   19.722511   -98.836208     4507.   450.7
'Cerro Gordo summit'   '*' ' '   19.742000   -98.819000     7319.   731.9
'C.G. + Uranus marker' ' ' '+'    0.000000     0.000000    10131.  1013.1
'C.G. + Moon pyramid'  ' ' '+'    0.000000     0.000000    12709.  1270.9
'C.G. + Sun pyramid'   ' ' '+'    0.000000     0.000000    13375.  1337.5
 Line 40: the observing site of transit runs with --site teotihuacan, point 8, the Pyramid of the Sun,
 at its latitude and longitude above; height [m]: its base above sea level, about 2300 m (rounded),
'Pyramid of the Sun'   2300.
 taken for the ellipsoid (they differ by tens of metres; 100 m move a contact by less than 0.01 s).
