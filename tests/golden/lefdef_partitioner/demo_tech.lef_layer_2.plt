set nokey


plot '-' w l
0 0 2
0 100 2
100 100 2
100 0 2
0 0 2


11 11 2
11 39 2
59 39 2
59 11 2
11 11 2


EOF

pause -1 'Press any key'

