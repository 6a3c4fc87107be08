set nokey


plot '-' w l
0 0
0 65
65 65
65 0
0 0


0 0
0 6
16 6
16 0
0 0


0 6
0 10
12 10
12 6
0 6


0 10
0 34
36 34
36 10
0 10


EOF

pause -1 'Press any key'
