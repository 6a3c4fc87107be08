UCSC blocks 1.0
#name x y direction tier(device layer)

bk16 0 0 1 2
bk15 40 0 0 0
bk14 0 40 1 0
bk13 100 100 1 1
bk12 120 0 0 2
bk11 0 100 0 3
bk10 120 140 1 1
bk9 0 100 0 1
bk8 120 0 0 1
bk7 80 40 1 1
bk6 0 140 1 1
bk5 0 120 1 2
bk4 0 0 0 1
bk3 0 0 0 0
bk2 0 0 1 3
bk1 0 40 0 1
