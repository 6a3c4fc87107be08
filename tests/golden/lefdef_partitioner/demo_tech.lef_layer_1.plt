set nokey


plot '-' w l
0 0 1
0 120 1
120 120 1
120 0 1
0 0 1


61 61 1
61 79 1
89 79 1
89 61 1
61 61 1


EOF

pause -1 'Press any key'

