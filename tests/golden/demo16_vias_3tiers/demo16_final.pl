UCSC blocks 1.0
#name x y direction tier(device layer)

bk16 0 0 1 1
bk15 120 0 1 1
bk14 60 0 1 0
bk13 120 120 0 1
bk12 0 0 0 0
bk11 0 0 1 2
bk10 60 150 0 0
bk9 120 150 0 0
bk8 160 100 0 1
bk7 160 40 1 1
bk6 0 120 1 2
bk5 0 120 1 1
bk4 100 0 0 2
bk3 160 0 0 1
bk2 120 40 0 2
bk1 0 120 1 0
