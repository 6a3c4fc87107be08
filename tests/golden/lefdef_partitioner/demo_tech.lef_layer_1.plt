set nokey


plot '-' w l
0 0 1
0 100 1
100 100 1
100 0 1
0 0 1


11 11 1
11 43 1
61 43 1
61 11 1
11 11 1


EOF

pause -1 'Press any key'

