#include "design_builder.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/tier_state.h"
#include "tiers/tiers.h"

namespace testing_support {

namespace {

void Push(tagPINLIST** list, void* target) {
  tagPINLIST* node = NewPinList();
  node->pin = target;
  node->next = *list;
  *list = node;
}

}  // namespace

TestDesign::TestDesign()
    : root(NewBlkc()), design(NewBlk()), norm(new tagNORMPARA{1.0, 1.0, 1.0, 9999989.000001}) {
  design->type = 1;
  design->name = CopyName("test");
  design->blkclass = root;
  InitParameters(&params);
}

TestDesign::~TestDesign() {
  for (tagBLOCK* p = pads; p;) {
    tagBLOCK* next = p->next;
    free_block(p);
    p = next;
  }
  free_memory(design, root, cell_nets, norm);
}

tagBLOCKCLASS* TestDesign::AddClass(double width, double height, int type) {
  tagBLOCKCLASS* cls = NewBlkc();
  cls->type = type;
  cls->width = width;
  cls->height = height;
  classes_.push_back(cls);
  cls->id = static_cast<int>(classes_.size());
  return cls;
}

int TestDesign::AddBlock(double width, double height, int kind) {
  return AddBlock(AddClass(width, height), kind);
}

int TestDesign::AddBlock(tagBLOCKCLASS* cls, int kind) {
  tagBLOCK* blk = NewBlk();
  blk->type = 2;
  blk->kind = kind;
  blk->blkclass = cls;
  blk->parent = design;
  blk->area = cls->width * cls->height;
  blocks_.push_back(blk);
  blk->id = static_cast<int>(blocks_.size());
  blk->name = CopyName(("b" + std::to_string(blk->id)).c_str());
  return blk->id;
}

int TestDesign::AddTerminal(double fx, double fy) {
  tagPIN* pin = NewPin();
  pin->pinclass = NewPinc();
  terminals_.push_back(pin);
  pin->id = pin->pinclass->id = static_cast<int>(terminals_.size());
  pin->name = CopyName(("p" + std::to_string(pin->id)).c_str());
  pin->owner = design;
  pin->pinclass->x = fx;
  pin->pinclass->y = fy;
  return pin->id;
}

void TestDesign::AddNet(const std::vector<int>& members, double weight) {
  nets_.push_back({members, weight});
}

void TestDesign::Link(ListOrder order) {
  const bool ascending = order == ListOrder::kAscending;
  // Pushing at the head: in reverse for ascending lists.
  auto each = [ascending](int count, auto push) {
    for (int k = 0; k < count; ++k) push(ascending ? count - 1 - k : k);
  };
  each(static_cast<int>(classes_.size()), [&](int k) {
    classes_[k]->next = root->classes;
    root->classes = classes_[k];
  });
  each(n(), [&](int k) {
    blocks_[k]->next = design->children;
    design->children = blocks_[k];
  });
  each(terminals(), [&](int k) {
    terminals_[k]->next = design->pins;
    design->pins = terminals_[k];
    terminals_[k]->pinclass->next = root->pinclasses;
    root->pinclasses = terminals_[k]->pinclass;
  });
  each(static_cast<int>(nets_.size()), [&](int j) {
    tagNET* net = NewNet();
    net->id = j + 1;
    net->name = CopyName(("n" + std::to_string(net->id)).c_str());
    net->weight = nets_[j].weight;
    net->degree = static_cast<int>(nets_[j].members.size());
    for (int member : nets_[j].members) {
      tagPIN* pin;
      if (member < 0) {
        pin = terminals_[-member - 1];
        if (!ascending) {
          pin->net = net;
          Push(&pin->net_refs, net);
          pin->net_count += 1;
        }
      } else {
        pin = NewPin();
        pin->owner = blocks_[member - 1];
        pin->net = net;
        pin->owner->degree += 1;
        if (!ascending) Push(&pin->owner->net_refs, net);
      }
      Push(&net->pins, pin);
    }
    net->next = design->nets;
    design->nets = net;
  });
  design->block_count = n();
  design->pin_count = terminals();
  design->net_count = static_cast<int>(nets_.size());
  if (ascending) FindExtNetsForBlocks(design);
}

void TestDesign::Finish() {
  Link();
  blka.assign(1, design);
  blka.insert(blka.end(), blocks_.begin(), blocks_.end());
  pada.assign(1, nullptr);
  pada.insert(pada.end(), terminals_.begin(), terminals_.end());
  for (tagPIN* pin : terminals_) pin->id += n();
  neta.assign(design->net_count + 1, nullptr);
  for (tagNET* net = design->nets; net; net = net->next) neta[net->id] = net;
  ntmax0 = ntmax = design->net_count;

  params.giveup = 5 * n();
  params.movenode = n();
  params.depthmax = n();
  params.pin_at_center = 1;
  SetPinListForBlocks(design);
  SetPinPositions(design, &params);
  // The weights a run scales before optimising.
  params.movarea *= 100;
  params.allarea *= params.movarea;
  params.obj_area_wgt = params.allarea;
  params.area_wgt = params.movarea;
  params.net_wgt = 5.0 * params.movnet;
  params.srchlvl_a = params.srchlvl_b = std::clamp(n(), 25, 1000);
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
  ResetEngineState();
  ResetTierState();
  ntmax0 = ntmax = d.design->net_count;
  d.params.layers = tiers;
  AllocateWorkArrays(n, ntmax);
  InitTierState(tiers);
  BinTreeInit(&btree, n);
  BinTreeInit(&rtree, n);
  p_btree = &btree;
  p_rtree = &rtree;
  stacks = std::make_unique<tagSTACKS>();
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
  CalCoords(d.blka.data(), &seq, levels.get(), p_btree, p_rtree, scratch_b.data(), scratch_r.data(), &mxdstva,
            &mxdstha);
}

}  // namespace testing_support
