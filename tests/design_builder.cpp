#include "design_builder.h"

#include <algorithm>
#include <cmath>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/tier_state.h"
#include "tiers/tiers.h"

namespace testing_support {

TestDesign::TestDesign() : root(NewBlkc()), design(NewBlk()), norm(new tagNORMPARA{1.0, 1.0, 1.0, 9999989.000001}) {
  design->type = 1;
  design->name = CopyName("test");
  design->blkclass = root;
  InitParameters(&params);
  blka.push_back(design);
  pada.push_back(nullptr);
  neta.push_back(nullptr);
}

TestDesign::~TestDesign() { free_memory(design, root, nullptr, norm); }

int TestDesign::AddBlock(double width, double height, int kind) {
  tagBLOCK* blk = NewBlk();
  tagBLOCKCLASS* cls = NewBlkc();
  blk->type = cls->type = 2;
  blk->kind = kind;
  blk->blkclass = cls;
  blk->parent = design;
  cls->width = width;
  cls->height = height;
  blk->area = width * height;
  blocks_.push_back(blk);
  blk->id = cls->id = static_cast<int>(blocks_.size());
  char name[32];
  std::snprintf(name, sizeof name, "b%d", blk->id);
  blk->name = CopyName(name);
  return blk->id;
}

int TestDesign::AddTerminal(double fx, double fy) {
  tagPIN* pin = NewPin();
  tagPINCLASS* cls = NewPinc();
  terminals_.push_back(pin);
  pin->id = cls->id = static_cast<int>(terminals_.size());
  char name[32];
  std::snprintf(name, sizeof name, "p%d", pin->id);
  pin->name = CopyName(name);
  pin->pinclass = cls;
  pin->owner = design;
  cls->x = fx;
  cls->y = fy;
  return pin->id;
}

void TestDesign::AddNet(const std::vector<int>& members, double weight) {
  nets_.push_back({members, weight});
}

void TestDesign::Finish() {
  const int n = static_cast<int>(blocks_.size()), t = static_cast<int>(terminals_.size());
  // Push in reverse so that every list stands in ascending number order.
  for (int i = n - 1; i >= 0; --i) {
    blocks_[i]->next = design->children;
    design->children = blocks_[i];
    blocks_[i]->blkclass->next = root->classes;
    root->classes = blocks_[i]->blkclass;
  }
  for (int k = t - 1; k >= 0; --k) {
    terminals_[k]->next = design->pins;
    design->pins = terminals_[k];
    terminals_[k]->pinclass->next = root->pinclasses;
    root->pinclasses = terminals_[k]->pinclass;
  }
  for (int j = static_cast<int>(nets_.size()) - 1; j >= 0; --j) {
    tagNET* net = NewNet();
    net->id = j + 1;
    net->weight = nets_[j].weight;
    net->degree = static_cast<int>(nets_[j].members.size());
    for (int member : nets_[j].members) {
      tagPINLIST* node = NewPinList();
      if (member < 0) {
        node->pin = terminals_[-member - 1];
      } else {
        tagPIN* pin = NewPin();
        pin->owner = blocks_[member - 1];
        pin->net = net;
        pin->owner->degree += 1;
        node->pin = pin;
      }
      node->next = net->pins;
      net->pins = node;
    }
    net->next = design->nets;
    design->nets = net;
  }
  design->block_count = n;
  design->pin_count = t;
  design->net_count = static_cast<int>(nets_.size());
  FindExtNetsForBlocks(design);

  blka.assign(blocks_.begin(), blocks_.end());
  blka.insert(blka.begin(), design);
  pada.assign(terminals_.begin(), terminals_.end());
  pada.insert(pada.begin(), nullptr);
  for (tagPIN* pin : terminals_) pin->id += n;
  neta.assign(design->net_count + 1, nullptr);
  for (tagNET* net = design->nets; net; net = net->next) neta[net->id] = net;
  ntmax0 = ntmax = design->net_count;

  params.giveup = 5 * n;
  params.movenode = n;
  params.depthmax = n;
  params.pin_at_center = 1;
  SetPinListForBlocks(design);
  SetPinPositions(design, &params);
  // The weights a run scales before optimising.
  params.movarea *= 100;
  params.allarea *= params.movarea;
  params.obj_area_wgt = params.allarea;
  params.area_wgt = params.movarea;
  params.net_wgt = 5.0 * params.movnet;
  params.srchlvl_a = params.srchlvl_b = std::clamp(n, 25, 1000);
  params.d_mult = std::pow(2.0, 0.75);
}

std::unique_ptr<TestDesign> TestDesign::Random(int n, int t, int m, unsigned seed) {
  auto d = std::make_unique<TestDesign>();
  std::mt19937 rng(seed);
  auto uniform = [&rng](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
  for (int i = 0; i < n; ++i) d->AddBlock(uniform(5, 60), uniform(5, 60));
  for (int k = 0; k < t; ++k) {
    int side = uniform(0, 3);
    double along = uniform(0, 100) / 100.0;
    double fx = side == 0 ? 0.0 : side == 1 ? 1.0 : along;
    double fy = side == 2 ? 0.0 : side == 3 ? 1.0 : along;
    d->AddTerminal(fx, fy);
  }
  for (int j = 0; j < m; ++j) {
    int degree = uniform(2, std::min(4, n + t));
    std::vector<int> members;
    while (static_cast<int>(members.size()) < degree) {
      int pick = uniform(1, n + t);
      int member = pick <= n ? pick : -(pick - n);
      if (std::find(members.begin(), members.end(), member) == members.end()) members.push_back(member);
    }
    d->AddNet(members);
  }
  d->Finish();
  return d;
}

std::unique_ptr<TestDesign> TestDesign::WithPreplacedBlocks(const double (&corners)[3][2]) {
  auto d = std::make_unique<TestDesign>();
  for (int i = 0; i < 10; ++i) d->AddBlock(20 + 7 * (i % 4), 15 + 9 * (i % 3));
  std::vector<int> fixed;
  for (int i = 0; i < 3; ++i) fixed.push_back(d->AddBlock(30, 20, 3));
  d->AddTerminal(0, 0.5);
  for (int i = 1; i <= 12; ++i) d->AddNet({i, i % 13 + 1, i % 2 ? -1 : (i + 5) % 13 + 1});
  d->Finish();
  for (int i = 0; i < 3; ++i) {
    tagBLOCK* blk = d->blka[fixed[i]];
    blk->region_x_lo = blk->region_x_hi = corners[i][0];
    blk->region_y_lo = blk->region_y_hi = corners[i][1];
  }
  return d;
}

TestEngine::TestEngine(TestDesign& design, int tiers) : d(design) {
  const int n = d.n();
  const int nets = d.design->net_count;
  ResetEngineState();
  ResetTierState();
  ntmax0 = ntmax = nets;
  d.params.layers = tiers;
  AllocateWorkArrays(n, ntmax);
  InitTierState(tiers);
  BinTreeInit(&btree, n);
  BinTreeInit(&rtree, n);
  p_btree = &btree;
  p_rtree = &rtree;
  stacks = std::make_unique<tagSTACKS>();
  stacks->top = 0;
  p_stacks = stacks.get();
  solution = std::make_unique<tagOptSolution>();
  candidates = std::make_unique<tagINSCANDS>();
  DualSeqInit(&seq, n, 1);
  DualSeqInit(&best, n, 0);
  levels = std::make_unique<tagLevelList>();
  ClearLevelLists(levels.get());
  scratch_b.assign(kLevelCap, 0);
  scratch_r.assign(kLevelCap, 0);
  if (tiers < 2)
    InitData(d.blka.data(), d.pada.data(), &seq, d.norm, &d.params);
  else
    InitDataForMultiTiers(d.blka.data(), d.pada.data(), &seq, d.norm, &d.params);
}

TestEngine::~TestEngine() {
  p_btree = p_rtree = nullptr;
  p_stacks = nullptr;
}

void TestEngine::Pack() {
  CalCoords(d.blka.data(), &seq, levels.get(), p_btree, p_rtree, scratch_b.data(), scratch_r.data(),
            &mxdstva, &mxdstha);
}

}  // namespace testing_support
