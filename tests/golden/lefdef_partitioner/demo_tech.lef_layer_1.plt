set nokey


plot '-' w l
0 0 1
0 100 1
100 100 1
100 0 1
0 0 1


59 59 1
59 81 1
91 81 1
91 59 1
59 59 1


EOF

pause -1 'Press any key'

