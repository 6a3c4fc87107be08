// Grouping the cells of a design read from LEF/DEF into blocks the
// floorplanner can handle: movable cells into a few groups, each fixed cell
// into a block of its own, fixed pads off the block list, and the nets
// rebuilt between the new blocks.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/records.h"
#include "driver/utilities.h"
#include "tiers/tiers.h"

namespace {

// A partition file read line by line; only the number that starts a line
// counts, the rest of the line is dropped. Blank lines are passed over.
struct PartitionLines {
  FILE* f;
  const char* path;
  int line = 0;
  char start[32] = {0};  // the first characters of the current line
};

// The number that starts the next non-blank line, saturated to the long long
// range: 1 when read, 0 at the end of the file, -1 when the line starts with
// something else.
int NextLeadingNumber(PartitionLines& in, long long* value) {
  for (;;) {
    int c = std::getc(in.f);
    if (c == EOF) return 0;
    ++in.line;
    size_t len = 0;
    for (; c != EOF && c != '\n'; c = std::getc(in.f))
      if (len + 1 < sizeof in.start) in.start[len++] = static_cast<char>(c);
    in.start[len] = '\0';
    const char* p = in.start + std::strspn(in.start, " \t\r\v\f");
    if (*p == '\0') continue;
    char* end;
    *value = std::strtoll(p, &end, 10);
    return end != p ? 1 : -1;
  }
}

void PushNode(tagPINLIST** list, void* target) {
  tagPINLIST* node = NewPinList();
  node->pin = target;
  node->next = *list;
  *list = node;
}

// Releases a net with its nodes and block pins; terminals stay.
void ReleaseNet(tagNET* net) {
  for (tagPINLIST* node = net->pins; node;) {
    tagPINLIST* next = node->next;
    tagPIN* pin = static_cast<tagPIN*>(node->pin);
    if (pin->id == 0) {
      delete[] pin->name;
      delete pin;
    }
    delete node;
    node = next;
  }
  delete[] net->name;
  delete net;
}

// A net whose cells all lie in one group is kept inside that group: a copy
// with copies of the group's cell pins (terminals are shared).
void CopyIntoGroup(const tagNET* net, tagBLOCK* group) {
  tagNET* copy = NewNet();
  copy->name = CopyName(net->name);
  copy->weight = net->weight;
  tagPINLIST** tail = &copy->pins;
  for (tagPINLIST* node = net->pins; node; node = node->next) {
    tagPIN* pin = static_cast<tagPIN*>(node->pin);
    void* member = pin;
    if (pin->id == 0) {
      if (pin->owner->parent != group) continue;
      tagPIN* own = NewPin();
      own->name = CopyName(pin->name);
      own->pinclass = pin->pinclass;
      own->owner = pin->owner;
      own->net = copy;
      member = own;
    }
    PushNode(tail, member);
    tail = &(*tail)->next;
    copy->degree += 1;
  }
  copy->next = group->nets;
  group->nets = copy;
  group->net_count += 1;
}

// Pin ids and owner ids in sorted order: equal for nets over the same pins.
std::string PinSignature(const tagNET* net) {
  std::string key;
  auto add = [&key](int value) { key.append(reinterpret_cast<const char*>(&value), sizeof value); };
  add(net->degree);
  add(net->wire_only);
  for (const tagPINLIST* node = net->pins; node; node = node->next) {
    const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
    add(pin->id);
    add(pin->id != 0 ? 0 : pin->owner->id);
  }
  return key;
}

// The fewest cells a group made by the partitioner holds, where the design
// has that many.
constexpr int kCellsPerGroup = 30;

// A fixed cell, or a macro when macros are blocks of their own.
bool GoesAlone(const tagBLOCK* cell, bool macros_as_blocks) {
  return cell->kind != 0 || (macros_as_blocks && IsMacro(cell));
}

// The wire-only net over the macros and terminals of a block-level net that
// also reaches a group, or null. The cells of such a net are few and go
// where its macros are; the group's centre stands for them poorly, so the
// macros pull together on their own as well.
tagNET* MacroPull(const tagNET* net, double weight) {
  if (weight <= 0) return nullptr;
  int ends = 0, groups = 0;
  for (const tagPINLIST* node = net->pins; node; node = node->next) {
    const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
    (pin->id != 0 || IsMacro(pin->owner) ? ends : groups) += 1;
  }
  if (ends < 2 || groups == 0) return nullptr;
  tagNET* pull = NewNet();
  pull->weight = net->weight * weight;
  pull->wire_only = 1;
  for (const tagPINLIST* node = net->pins; node; node = node->next) {
    tagPIN* pin = static_cast<tagPIN*>(node->pin);
    if (pin->id == 0 && !IsMacro(pin->owner)) continue;
    if (pin->id == 0) {
      tagPIN* copy = NewPin();
      copy->owner = pin->owner;
      copy->net = pull;
      copy->pinclass = pin->pinclass;
      pin = copy;
    }
    PushNode(&pull->pins, pin);
    pull->degree += 1;
  }
  return pull;
}

template <typename T>
void StableSortWith(std::vector<T>& items, int (*compare)(const void*, const void*)) {
  std::stable_sort(items.begin(), items.end(),
                   [compare](const T& a, const T& b) { return compare(&a, &b) < 0; });
}

}  // namespace

// The terminal on one of the pad's nets: the first terminal pin met.
tagPIN* PadTerminal(const tagBLOCK* pad) {
  for (tagPINLIST* ref = pad->net_refs; ref; ref = ref->next) {
    const tagNET* net = static_cast<const tagNET*>(ref->pin);
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      if (pin->id != 0) return pin;
    }
  }
  return nullptr;
}

bool IsFixedPad(const tagBLOCK* cell) {
  return cell->kind != 0 && cell->blkclass && cell->blkclass->type == kPadClass;
}

bool IsMacro(const tagBLOCK* cell) { return cell->blkclass && cell->blkclass->type == kMacroClass; }

bool IsBlockage(const tagBLOCK* blk) { return blk->blkclass && blk->blkclass->type == kBlockageClass; }

// A fixed cell may be released to move; its cell stays fixed in the records.
bool IsComponentBlock(const tagBLOCK* blk) {
  return blk->kind != 0 || IsMacro(blk) || (blk->children && blk->children->kind != 0);
}

int PinIdCompare(const void* a, const void* b) {
  const tagPIN* pa = static_cast<const tagPIN*>((*static_cast<tagPINLIST* const*>(a))->pin);
  const tagPIN* pb = static_cast<const tagPIN*>((*static_cast<tagPINLIST* const*>(b))->pin);
  if (pa->id != pb->id) return pa->id < pb->id ? -1 : 1;
  const int oa = pa->id != 0 ? 0 : pa->owner->id;
  const int ob = pb->id != 0 ? 0 : pb->owner->id;
  return (oa > ob) - (oa < ob);
}

int NetPinNoCompare(const void* a, const void* b) {
  const int da = (*static_cast<tagNET* const*>(a))->degree;
  const int db = (*static_cast<tagNET* const*>(b))->degree;
  return (da > db) - (da < db);
}

void Partition(tagBLOCK* design, int nparts, tagBLOCK** pads, tagNET** cell_nets,
               const GroupingOptions& options) {
  // The partitioner sees only the cells that go into groups, as vertices in
  // the order of their numbers; the others keep their own blocks.
  const int cells = std::max(design->block_count, 0);
  std::vector<int> vertex_of_id(cells + 1, -1);
  for (const tagBLOCK* cell = design->children; cell; cell = cell->next)
    if (cell->id >= 1 && cell->id <= cells && !GoesAlone(cell, options.macros_as_blocks))
      vertex_of_id[cell->id] = 0;
  int vertices = 0;
  for (int& v : vertex_of_id)
    if (v == 0) v = vertices++;
  // A fence of fewer cells loses about as much of its rows to their ends as
  // it holds.
  nparts = std::clamp(vertices / kCellsPerGroup, 1, std::max(nparts, 1));
  // Without nets every grouped cell stays in group 0.
  std::vector<int> vertex_part(std::max(vertices, 1), 0);
  if (tagHYPERGRAPH* hg = vertices > 0 ? CreateHyperGraph(design, &vertex_of_id) : nullptr) {
    PartitionHyperGraph(hg, nparts, 5, vertex_part.data());
    FreeHyperGraph(hg);
  }
  std::vector<int> part(std::max(cells, 1), kOwnBlock);
  for (int id = 1; id <= cells; ++id)
    if (vertex_of_id[id] >= 0) part[id - 1] = vertex_part[vertex_of_id[id]];
  Grouping(design, nparts, part.data(), pads);
  *cell_nets = CreateNetsForBlocks(design, options.macro_net_weight);
}

void ReadPartition(tagBLOCK* design, const char* path, tagBLOCK** pads, tagNET** cell_nets,
                   const GroupingOptions& options) {
  if (!design) Refuse({}, 1, "Null Pointer!");
  FILE* f = std::fopen(path, "r");
  // A run without its groups has failed, so the status says so.
  if (!f) Refuse({}, 1, "cannot open partition file!");
  PartitionLines in{f, path};
  const int cells = design->block_count;
  long long vertices = -1;
  if (NextLeadingNumber(in, &vertices) != 1 ||
      (vertices != cells && vertices != static_cast<long long>(cells) + design->pin_count)) {
    std::fclose(f);
    DclError("Vertice Number was not setup properly!");
    Refuse({path, in.line}, 1, "Error: the first number must be %d (cells) or %d (cells and terminals).",
           cells, cells + design->pin_count);
  }
  // Vertex i is the cell numbered i + 1; entries past the cells are terminals.
  std::vector<int> part(std::max<long long>(vertices, 1), 0);
  int largest = -1;
  for (int i = 0; i < vertices; ++i) {
    long long group = 0;
    const int read = NextLeadingNumber(in, &group);
    if (read != 1 || group < 0 || group >= vertices) {
      std::fclose(f);
      if (read == 0) Refuse({path}, 1, "Error: the file ends after %d of %lld vertices.", i, vertices);
      if (read < 0) Refuse({path, in.line}, 1, "Error: no group number for vertex %d.", i);
      Refuse({path, in.line}, 1, "Error: group %lld of vertex %d is outside 0..%lld.", group, i,
             vertices - 1);
    }
    part[i] = static_cast<int>(group);
    largest = std::max(largest, part[i]);
  }
  std::fclose(f);
  for (const tagBLOCK* cell = design->children; cell; cell = cell->next)
    if (cell->id >= 1 && cell->id <= vertices && GoesAlone(cell, options.macros_as_blocks))
      part[cell->id - 1] = kOwnBlock;
  Grouping(design, largest + 1, part.data(), pads);
  *cell_nets = CreateNetsForBlocks(design, options.macro_net_weight);
}

int Grouping(tagBLOCK* design, int count, const int* part, tagBLOCK** pads) {
  if (!design || !part) {
    DclError("Null Pointer!");
    return 0;
  }
  std::vector<tagBLOCK*> groups(std::max(count, 0), nullptr);
  tagBLOCK* fixed = nullptr;
  int pad_count = 0;
  while (tagBLOCK* cell = design->children) {
    design->children = cell->next;
    if (IsFixedPad(cell)) {
      cell->next = *pads;
      *pads = cell;
      ++pad_count;
      continue;
    }
    if (cell->kind != 0 || (cell->id >= 1 && part[cell->id - 1] == kOwnBlock)) {
      tagBLOCK* blk = NewBlk();
      blk->block_count = 1;
      blk->kind = cell->kind;
      blk->orient = cell->orient;
      blk->blkclass = cell->blkclass;
      blk->area = cell->area;
      blk->fixed_x_lo = cell->fixed_x_lo;
      blk->fixed_y_lo = cell->fixed_y_lo;
      blk->fixed_x_hi = cell->fixed_x_hi;
      blk->fixed_y_hi = cell->fixed_y_hi;
      cell->next = nullptr;
      cell->parent = blk;
      blk->children = cell;
      blk->next = fixed;
      fixed = blk;
      continue;
    }
    const int g = cell->id >= 1 ? part[cell->id - 1] : -1;
    if (g < 0 || g >= count) Refuse({}, 1, "Grouping Error!");
    tagBLOCK*& group = groups[g];
    if (!group) {
      group = NewBlk();
      group->id = g + 1;
    }
    cell->next = group->children;
    group->children = cell;
    cell->parent = group;
    group->block_count += 1;
    group->area += cell->area;
  }
  std::printf("Number of Fixed Pads:%d\n", pad_count);

  design->children = fixed;
  for (tagBLOCK* group : groups) {
    if (!group) continue;
    group->next = design->children;
    design->children = group;
  }
  int number = 0;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    blk->parent = design;
    blk->id = ++number;
    if (!blk->name) {
      char name[32];
      std::snprintf(name, sizeof name, "sub-block-%d", number);
      blk->name = CopyName(name);
    }
    int child_number = 0;
    for (tagBLOCK* child = blk->children; child; child = child->next) child->id = ++child_number;
  }
  design->block_count = number;
  return number;
}

tagNET* CreateNetsForBlocks(tagBLOCK* design, double macro_net_weight) {
  if (!design) Refuse({}, 1, "warning: null pointer!");
  if (!design->nets) Refuse({}, 1, "Null pointer: no net information!");
  tagNET* cell_nets = design->nets;
  tagNET* block_nets = nullptr;
  int kept = 0;
  // The cell net that last added each terminal or block, so each joins a net once.
  std::unordered_map<const void*, const tagNET*> added;
  for (tagNET* net = cell_nets; net; net = net->next) {
    tagNET* bnet = NewNet();
    bnet->id = kept + 1;
    bnet->weight = net->weight;
    auto first_time = [&added, net](const void* member) {
      auto [it, inserted] = added.try_emplace(member, net);
      if (inserted) return true;
      if (it->second == net) return false;
      it->second = net;
      return true;
    };
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      void* member = nullptr;
      if (pin->id != 0) {
        member = pin;
      } else if (IsFixedPad(pin->owner)) {
        member = PadTerminal(pin->owner);
        if (!member) {
          DclError("Cannot find Corresponding External Pins!");
          continue;
        }
      } else {
        tagBLOCK* blk = pin->owner->parent;
        if (!first_time(blk)) continue;
        tagPIN* bpin = NewPin();
        bpin->owner = blk;
        bpin->net = bnet;
        // A fixed cell keeps its pin geometry on its own block.
        if (pin->owner->kind != 0) bpin->pinclass = pin->pinclass;
        PushNode(&bnet->pins, bpin);
        bnet->degree += 1;
        continue;
      }
      if (!first_time(member)) continue;
      PushNode(&bnet->pins, member);
      bnet->degree += 1;
    }
    if (bnet->degree >= 2) {
      bnet->next = block_nets;
      block_nets = bnet;
      ++kept;
      if (tagNET* pull = MacroPull(bnet, macro_net_weight)) {
        pull->id = ++kept;
        pull->next = block_nets;
        block_nets = pull;
      }
      continue;
    }
    const tagPIN* only = bnet->pins ? static_cast<const tagPIN*>(bnet->pins->pin) : nullptr;
    if (only && only->id == 0) CopyIntoGroup(net, only->owner);
    ReleaseNet(bnet);
  }
  design->nets = block_nets;
  design->net_count = kept;
  GroupNetsConnectSameBlocks(design);
  FindExtNetsForBlocks(design);
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    int number = 0;
    for (tagNET* net = blk->nets; net; net = net->next) net->id = ++number;
    blk->net_count = number;
    FindExtNetsForBlocks(blk);
  }
  return cell_nets;
}

void GroupNetsConnectSameBlocks(tagBLOCK* design) {
  std::vector<tagNET*> nets;
  std::vector<tagPINLIST*> nodes;
  for (tagNET* net = design->nets; net; net = net->next) {
    nodes.clear();
    for (tagPINLIST* node = net->pins; node; node = node->next) nodes.push_back(node);
    StableSortWith(nodes, PinIdCompare);
    net->pins = nullptr;
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
      (*it)->next = net->pins;
      net->pins = *it;
    }
    nets.push_back(net);
  }
  StableSortWith(nets, NetPinNoCompare);

  // Nets over the same pins fold into the first of them, weights added.
  std::unordered_map<std::string, size_t> first;
  for (size_t i = 0; i < nets.size(); ++i) {
    auto [it, inserted] = first.try_emplace(PinSignature(nets[i]), i);
    if (inserted) continue;
    nets[it->second]->weight += nets[i]->weight;
    ReleaseNet(nets[i]);
    nets[i] = nullptr;
  }

  // The last net is numbered 1 and stands last.
  design->nets = nullptr;
  int number = 0;
  for (auto it = nets.rbegin(); it != nets.rend(); ++it) {
    if (!*it) continue;
    (*it)->id = ++number;
    (*it)->next = design->nets;
    design->nets = *it;
  }
  design->net_count = number;
}
