// Several annealing chains at once, one process each, of which one goes on.
#pragma once

#include <functional>

// What decides which chain is kept.
struct tagChainScore {
  int fits;     // 1 when the best floorplan fits the outline
  double gap;   // bound excess of preplaced blocks
  double area;  // chip area
  double wire;  // net length
  int vias;
};

// Forks `starts` chains and returns each chain's number (0 .. starts - 1)
// in that chain, with its standard output held back. The calling process
// never returns: it waits for every chain's score, keeps the first chain no
// other is `better` than, lets only that one write its results and its
// held output, and exits with its status. A chain that dies before its
// score is named and left out; only all chains lost fail the run. Each chain
// stops when the calling process dies.
int ForkChains(int starts, unsigned long first_seed,
               const std::function<bool(const tagChainScore&, const tagChainScore&)>& better);

// In a chain: hands the score over and waits. A chain not kept ends here;
// the kept one gets its held output written out and goes on.
void EndChain(const tagChainScore& score);
