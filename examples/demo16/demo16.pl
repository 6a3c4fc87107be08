UCSC pl 1.0
# Block positions are not used; pads sit on the outline.

bk1 0 0
bk2 0 0
bk3 0 0
bk4 0 0
bk5 0 0
bk6 0 0
bk7 0 0
bk8 0 0
bk9 0 0
bk10 0 0
bk11 0 0
bk12 0 0
bk13 0 0
bk14 0 0
bk15 0 0
bk16 0 0

io1 0 100
io2 0 250
io3 0 400
io4 100 500
io5 250 500
io6 400 500
io7 500 100
io8 500 250
io9 500 400
io10 100 0
io11 250 0
io12 400 0
