// Via demand: every net whose pins lie on tiers a < b is split into one
// sub-net per tier a..b and needs one via at each tier boundary between
// them. Also the via-aware length and the wire cost of one via's cell.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

namespace {

// Terminals sit on tier 0.
int PinTier(const tagPIN* pin) { return pin->id == 0 && pin->owner ? pin->owner->tier : 0; }

struct Box {
  double minx = kInfinity, miny = kInfinity, maxx = 0.0, maxy = 0.0;
  void Add(double x, double y) {
    minx = std::min(minx, x);
    miny = std::min(miny, y);
    maxx = std::max(maxx, x);
    maxy = std::max(maxy, y);
  }
  void AddCentre(const tagSIGGRID* cell) { Add(cell->x + 0.5 * cell->w, cell->y + 0.5 * cell->h); }
  double HalfPerimeter() const { return (maxx - minx) + (maxy - miny); }
};

Box StoredBox(const tagNET* net) {
  Box box;
  box.minx = net->minx;
  box.miny = net->miny;
  box.maxx = net->maxx;
  box.maxy = net->maxy;
  return box;
}

void StoreBox(tagNET* net, const Box& box) {
  net->minx = box.minx;
  net->miny = box.miny;
  net->maxx = box.maxx;
  net->maxy = box.maxy;
}

// Gives every pin of the net a node on the sub-net of its tier and each
// sub-net its own pin box.
void DistributePins(tagNET* net, int lowest) {
  for (tagPINLIST* node = net->pins; node; node = node->next) {
    const int index = PinTier(static_cast<tagPIN*>(node->pin)) - lowest;
    if (index < 0 || index > net->via_cnt) {
      DclError("Something Wrong when decomposing nets!\n");
      continue;
    }
    tagNET* sub = net->sub_nets[index];
    tagPINLIST* copy = NewPinList();
    copy->pin = node->pin;
    copy->next = sub->pins;
    sub->pins = copy;
    ++sub->degree;
  }
  for (int s = 0; s <= net->via_cnt; ++s) {
    Box box;
    for (tagPINLIST* node = net->sub_nets[s]->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<tagPIN*>(node->pin);
      box.Add(pin->x, pin->y);
    }
    StoreBox(net->sub_nets[s], box);
  }
}

// Creates the vias of boundaries lowest + 1 .. highest and links each to the
// sub-nets below and above it.
void CreateVias(tagNET* net, int lowest, std::vector<tagSIGVIA*>& lists, int* via_count) {
  for (int k = 0; k < net->via_cnt; ++k) {
    const int t = lowest + 1 + k;
    tagSIGVIA* via = new tagSIGVIA{};
    via->via_id = via_count[t]++;
    ++via_count[0];
    via->layer = t;
    via->minx = net->minx;
    via->miny = net->miny;
    via->maxx = net->maxx;
    via->maxy = net->maxy;
    via->net = net;
    via->lower_net = net->sub_nets[k];
    via->upper_net = net->sub_nets[k + 1];
    net->vias[k] = via;
    via->via_next = lists[t];
    lists[t] = via;
  }
  // Each sub-net lists the via below it (if any), then the via above it.
  for (int s = 0; s <= net->via_cnt; ++s) {
    tagNET* sub = net->sub_nets[s];
    sub->vias = new tagSIGVIA*[2]();
    if (s > 0) sub->vias[sub->via_cnt++] = net->vias[s - 1];
    if (s < net->via_cnt) sub->vias[sub->via_cnt++] = net->vias[s];
  }
}

}  // namespace

std::vector<tagSIGVIA*> ConstructViaListForLayers(tagNET* nets, int tier_count, int* via_count,
                                                  tagNETLIST*& net_list) {
  std::vector<tagSIGVIA*> lists(std::max(tier_count, 1), nullptr);
  std::fill(via_count, via_count + std::max(tier_count, 1), 0);
  net_list = nullptr;
  int via_nets = 0, all_nets = 0;
  double via_length = 0.0, all_length = 0.0;
  for (tagNET* net = nets; net; net = net->next) {
    if (net->wire_only) continue;
    int lowest = tier_count + 1, highest = -1;
    Box box;
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<tagPIN*>(node->pin);
      lowest = std::min(lowest, PinTier(pin));
      highest = std::max(highest, PinTier(pin));
      box.Add(pin->x, pin->y);
    }
    ++all_nets;
    if (!net->pins) {
      // Nothing to connect: no via and no length.
      box = Box{0.0, 0.0, 0.0, 0.0};
      highest = lowest;
    }
    StoreBox(net, box);
    net->hpwl_w_via = box.HalfPerimeter();
    net->via_cnt = highest - lowest;
    all_length += net->hpwl_w_via;
    if (net->via_cnt <= 0) {
      net->via_cnt = 0;
      continue;
    }
    net_list = new tagNETLIST{net, net_list};
    ++via_nets;
    via_length += net->hpwl_w_via;
    net->vias = new tagSIGVIA*[net->via_cnt]();
    net->sub_nets = new tagNET*[net->via_cnt + 1]();
    for (int s = 0; s <= net->via_cnt; ++s) net->sub_nets[s] = NewNet();
    DistributePins(net, lowest);
    CreateVias(net, lowest, lists, via_count);
  }
  net_list = SortNetByHPWL(net_list, via_nets);
  std::printf("The number of nets demand vias: %d (length:%.2f) (total:%d, length:%.2f)\n", via_nets,
              via_length, all_nets, all_length);
  AppendToReport("via_assignment.txt", "\n[NETS][net_num:%d;via_num:%d;wire:%.2f;]\n", via_nets, via_count[0],
                 via_length);
  AppendToReport("vp_table1.txt", "%d; %d; ", via_nets, via_count[0]);
  return lists;
}

int NetHPWLCompare(const void* a, const void* b) {
  const double wa = (*static_cast<tagNETLIST* const*>(a))->net->hpwl_w_via;
  const double wb = (*static_cast<tagNETLIST* const*>(b))->net->hpwl_w_via;
  if (wa < wb) return 1;
  if (wa == wb) return 0;
  return -1;
}

tagNETLIST* SortNetByHPWL(tagNETLIST* list, int count) {
  std::vector<tagNETLIST*> nodes;
  for (tagNETLIST* node = list; node && static_cast<int>(nodes.size()) < count; node = node->next)
    nodes.push_back(node);
  if (nodes.empty()) return list;
  // Largest first, then linked backwards: the list runs smallest first.
  // qsort rather than std::sort: nets of equal length keep the order they
  // have always had in the reports. The elements are pointers.
  // NOLINTNEXTLINE(bugprone-sizeof-expression)
  std::qsort(nodes.data(), nodes.size(), sizeof nodes[0], NetHPWLCompare);
  nodes.front()->next = nullptr;
  for (size_t i = 1; i < nodes.size(); ++i) nodes[i]->next = nodes[i - 1];
  return nodes.back();
}

double ViaAwareNetLength(tagNET* net) {
  double length = 0.0;
  for (int s = 0; s <= net->via_cnt && net->via_cnt > 0; ++s) {
    const tagNET* sub = net->sub_nets[s];
    Box box = StoredBox(sub);
    for (int v = 0; v < sub->via_cnt; ++v) {
      if (!sub->vias[v]->grid) {
        std::printf("Some via has no position!\n");
        continue;
      }
      box.AddCentre(sub->vias[v]->grid);
    }
    length += box.HalfPerimeter();
  }
  return length;
}

double EdgeCost(tagNET* net, tagSIGGRID* cell, tagSIGGRID* below, int k) {
  if (!cell) {
    std::printf("Warning: Null Pointer\n");
    return 0.0;
  }
  Box box = StoredBox(net->sub_nets[k]);
  box.AddCentre(cell);
  if (below) box.AddCentre(below);
  double cost = box.HalfPerimeter();
  if (k == net->via_cnt - 1) {
    Box upper = StoredBox(net->sub_nets[k + 1]);
    upper.AddCentre(cell);
    cost += upper.HalfPerimeter();
  }
  return cost;
}

void FreeViaDemand(tagNET* nets, std::vector<tagSIGVIA*>& boundary_lists, tagNETLIST*& net_list) {
  for (tagSIGVIA*& head : boundary_lists) {
    while (head) {
      tagSIGVIA* next = head->via_next;
      delete head;
      head = next;
    }
  }
  for (tagNET* net = nets; net; net = net->next) {
    if (net->sub_nets) {
      for (int s = 0; s <= net->via_cnt; ++s) {
        tagNET* sub = net->sub_nets[s];
        for (tagPINLIST* node = sub->pins; node;) {
          tagPINLIST* next = node->next;
          delete node;
          node = next;
        }
        delete[] sub->vias;
        delete sub;
      }
    }
    delete[] net->sub_nets;
    delete[] net->vias;
    net->sub_nets = nullptr;
    net->vias = nullptr;
    net->via_cnt = 0;
  }
  while (net_list) {
    tagNETLIST* next = net_list->next;
    delete net_list;
    net_list = next;
  }
}
