// Small designs built in memory for the engine tests, and the engine set up
// on them the way a run sets it up.
#pragma once
#include <memory>
#include <random>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"
#include "seqpair/seqpair.h"

namespace testing_support {

// A design record with blocks, terminals and nets, indexed as a run indexes
// them. Blocks are numbered 1..n in the order added, terminals n + 1.. after
// Finish(). Nets name their members by block number, or by -k for terminal k.
class TestDesign {
 public:
  TestDesign();
  ~TestDesign();
  TestDesign(const TestDesign&) = delete;
  TestDesign& operator=(const TestDesign&) = delete;

  int AddBlock(double width, double height, int kind = 0);
  // A terminal at the given fractions of the outline.
  int AddTerminal(double fx, double fy);
  void AddNet(const std::vector<int>& members, double weight = 1.0);
  // Numbers, lists and indexes everything; call once after adding.
  void Finish();

  // A random design: n blocks of random sizes, t terminals and m nets of 2 to 4 members.
  static std::unique_ptr<TestDesign> Random(int n, int t, int m, unsigned seed);
  // Ten movable blocks and three preplaced ones (30 x 20) at the given
  // lower-left corners, with nets that pull blocks across them.
  static std::unique_ptr<TestDesign> WithPreplacedBlocks(const double (&corners)[3][2]);

  int n() const { return static_cast<int>(blka.size()) - 1; }
  int terminals() const { return static_cast<int>(pada.size()) - 1; }

  tagBLOCKCLASS* root;
  tagBLOCK* design;
  tagNORMPARA* norm;
  tagPARAMETERS params;
  std::vector<tagBLOCK*> blka;
  std::vector<tagPIN*> pada;
  std::vector<tagNET*> neta;

 private:
  struct PendingNet {
    std::vector<int> members;
    double weight;
  };
  std::vector<tagBLOCK*> blocks_;
  std::vector<tagPIN*> terminals_;
  std::vector<PendingNet> nets_;
};

// The engine's records for one design, initialised like a run: work arrays,
// tier state, trees, level lists, both dual sequences, and the initial
// solution for the given tier count.
class TestEngine {
 public:
  TestEngine(TestDesign& d, int tiers);
  ~TestEngine();
  // Packs the working sequence into mxdstha x mxdstva.
  void Pack();

  TestDesign& d;
  std::unique_ptr<tagLevelList> levels;
  tagBinTree btree, rtree;
  tagDualSeq seq, best;
  std::unique_ptr<tagSTACKS> stacks;
  std::unique_ptr<tagOptSolution> solution;
  std::unique_ptr<tagINSCANDS> candidates;
  std::vector<int> scratch_b, scratch_r;
};

}  // namespace testing_support
