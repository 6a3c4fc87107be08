UCSC blocks 1.0
#name x y direction tier(device layer)

bk16 0 0 1 1
bk15 120 0 1 1
bk14 100 100 0 0
bk13 160 160 1 1
bk12 60 0 0 0
bk11 0 120 1 0
bk10 120 160 1 1
bk9 160 200 0 1
bk8 160 0 1 1
bk7 160 40 0 1
bk6 0 120 1 1
bk5 0 160 1 1
bk4 120 120 0 1
bk3 160 80 1 1
bk2 100 0 1 0
bk1 0 0 1 0
