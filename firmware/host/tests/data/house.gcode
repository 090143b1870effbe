; The house, as a laser tool-chain exports it
G21 ; millimetres
G90
M5
N10 G0 X10 Y10
M3 S1000
G1 X30 Y10 F600
G1 Y25
G1 X20 Y35 (roof)
X10 Y25
G1 X10.0 Y10.0
G1 X30 Y25
M5
G0 X0 Y0
M2
