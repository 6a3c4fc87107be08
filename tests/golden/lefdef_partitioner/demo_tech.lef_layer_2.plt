set nokey


plot '-' w l
0 0 2
0 120 2
120 120 2
120 0 2
0 0 2


1 1 2
1 29 2
19 29 2
19 1 2
1 1 2


EOF

pause -1 'Press any key'

