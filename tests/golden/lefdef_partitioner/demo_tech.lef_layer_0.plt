set nokey


plot '-' w l, '-' w l lt 3
0 0 0
0 100 0
100 100 0
100 0 0
0 0 0



EOF
 -4  28 
 34  0 


 17  0 
 41  -3 


 34  34 
 86  28 


 17  34 
 41  75 


 0  22 
 0  57 


 0  11 
 48  60 



EOF

pause -1 'Press any key'

