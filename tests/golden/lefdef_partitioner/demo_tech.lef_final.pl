UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 0 0 0 1
sub-block-2 48 48 0 2
