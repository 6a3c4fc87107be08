UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 15 4 0 1
sub-block-2 7 4 0 1
sub-block-3 0 0 0 1
sub-block-4 0 4 0 1
sub-block-5 11 4 0 0
sub-block-6 16 4 0 0
sub-block-7 0 4 0 0
sub-block-8 0 0 0 0
sub-block-9 0 10 0 1
sub-block-10 0 10 0 0
