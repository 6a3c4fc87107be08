// The program's run sequence: read the design, index it, read the
// parameters, build the initial solution, optimise, write the results.
#pragma once

// Runs one floorplanning job for the command line and returns the exit status.
int RunTierplan(int argc, char** argv);
