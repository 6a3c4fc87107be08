UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 0 0 1 2
sub-block-2 0 13 3 0
sub-block-3 0 6 0 0
sub-block-4 0 0 1 0
sub-block-5 60 60 0 1
