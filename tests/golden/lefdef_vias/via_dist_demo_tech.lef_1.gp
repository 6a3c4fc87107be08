set nokey


plot '-' w l
0 0
0 65
65 65
65 0
0 0


0 12
0 18
8 18
8 12
0 12


0 0
0 6
7 6
7 0
0 0


0 6
0 12
7 12
7 6
0 6


8 0
8 24
42 24
42 0
8 0


EOF

pause -1 'Press any key'
