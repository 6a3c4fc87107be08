UCSC blocks 1.0
#name x y direction tier(device layer)

sub-block-1 0 11 1 0
sub-block-2 0 4 1 1
sub-block-3 0 0 1 1
sub-block-4 0 4 0 0
sub-block-5 0 8 0 0
sub-block-6 5 11 1 0
sub-block-7 0 0 0 0
sub-block-8 4 4 1 0
sub-block-9 60 60 0 1
sub-block-10 8 0 1 0
