// Design records built in memory the way the readers leave them, and the
// engine set up on them the way a run sets it up.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"
#include "seqpair/seqpair.h"

namespace testing_support {

// The order in which Link() leaves the block, terminal and net lists: the
// bookshelf reader's (ascending numbers) or the DEF reader's (newest first,
// each net noted on its cells and terminals as it is read).
enum class ListOrder { kAscending, kNewestFirst };

// A design record with blocks, terminals and nets. Blocks are numbered 1..n
// and terminals 1..t in the order added; nets name their members by block
// number, or by -k for terminal k.
class TestDesign {
 public:
  TestDesign();
  ~TestDesign();
  TestDesign(const TestDesign&) = delete;
  TestDesign& operator=(const TestDesign&) = delete;

  tagBLOCKCLASS* AddClass(double width, double height, int type = 2);
  int AddBlock(double width, double height, int kind = 0);  // with a class of its own
  int AddBlock(tagBLOCKCLASS* cls, int kind);
  // A terminal at the given fractions of the outline.
  int AddTerminal(double fx, double fy);
  void AddNet(const std::vector<int>& members, double weight = 1.0);
  // Lists and numbers everything as a reader does; call once after adding.
  void Link(ListOrder order = ListOrder::kAscending);
  // Link() and indexes everything as a run does before optimising:
  // terminals then number n + 1.., pins sit at block centres, weights scaled.
  void Finish();

  // A random design: n blocks of random sizes, t terminals and m nets of 2 to 4 members.
  static std::unique_ptr<TestDesign> Random(int n, int t, int m, unsigned seed);
  // Ten movable blocks and three preplaced ones (30 x 20) at the given
  // lower-left corners, with nets that pull blocks across them.
  static std::unique_ptr<TestDesign> WithPreplacedBlocks(const double (&corners)[3][2]);

  int n() const { return static_cast<int>(blocks_.size()); }
  int terminals() const { return static_cast<int>(terminals_.size()); }
  tagBLOCK* block(int i) const { return blocks_[i - 1]; }
  tagPIN* terminal(int k) const { return terminals_[k - 1]; }

  tagBLOCKCLASS* root;
  tagBLOCK* design;
  tagNORMPARA* norm;
  tagPARAMETERS params;
  tagBLOCK* pads = nullptr;     // fixed pads taken off the block list by grouping
  tagNET* cell_nets = nullptr;  // the cell-level nets grouping leaves behind
  std::vector<tagBLOCK*> blka;  // after Finish: the design, then blocks 1..n
  std::vector<tagPIN*> pada;    // after Finish: null, then terminals 1..t
  std::vector<tagNET*> neta;    // after Finish: null, then nets 1..m

 private:
  struct PendingNet {
    std::vector<int> members;
    double weight;
  };
  std::vector<tagBLOCK*> blocks_;
  std::vector<tagBLOCKCLASS*> classes_;
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
