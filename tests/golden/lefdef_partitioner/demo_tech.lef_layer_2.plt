set nokey


plot '-' w l
0 0 2
0 100 2
100 100 2
100 0 2
0 0 2


59 59 2
59 81 2
91 81 2
91 59 2
59 59 2


EOF

pause -1 'Press any key'

