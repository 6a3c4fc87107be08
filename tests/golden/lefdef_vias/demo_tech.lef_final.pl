UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 0 12 0 0
sub-block-2 0 12 0 1
sub-block-3 0 0 0 1
sub-block-4 0 6 0 1
sub-block-5 0 6 0 0
sub-block-6 4 6 0 0
sub-block-7 0 0 0 0
sub-block-8 8 6 0 0
sub-block-9 7 0 0 1
sub-block-10 13 0 0 0
