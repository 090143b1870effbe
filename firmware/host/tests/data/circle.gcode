; A circle of radius 10 around (20, 20), in two arcs
G21 G90 G17
G0 X30 Y20
M4 S800
G3 X10 Y20 I-10 J0
G3 X30 Y20 R10
M5
