UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 0 0 0 2
sub-block-2 9 8 0 0
sub-block-3 0 8 0 0
sub-block-4 0 0 0 0
sub-block-5 48 48 0 1
