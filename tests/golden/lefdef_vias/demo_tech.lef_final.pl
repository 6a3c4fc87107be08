UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 0 0 0 0
sub-block-2 0 4 0 1
sub-block-3 0 0 0 1
sub-block-4 0 8 0 1
sub-block-5 0 16 0 1
sub-block-6 4 16 0 1
sub-block-7 0 12 0 1
sub-block-8 0 6 0 0
sub-block-9 9 16 0 1
sub-block-10 0 10 0 0
