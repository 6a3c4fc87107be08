// A start that fills the outline: each tier's blocks laid in shelves,
// around its preplaced blocks where they have to be kept from being pushed.
//
// A random dual sequence packs into a chip many times the outline, and the
// search of a large design, or of any design under a short time limit, then
// spends most of its moves shrinking it. Shelves of blocks sorted by height
// (next fit, decreasing height), with shorter blocks stacked in columns
// under a shelf's tallest, fill an outline of many small blocks to within a
// tenth or so, so the moves go to wire length from the start. Every tier
// has the same outline, so the tiers' block areas are evened out first.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

constexpr int kPullRounds = 20;
// Shelves of one band, of about sqrt(blocks) shelves in all.
constexpr double kShelvesPerBand = 3.0;
// Tier loads this close, relative to the heaviest, count as even.
constexpr double kEvenLoad = 1e-3;

struct Pull {
  double x, y;
};

// A column of blocks, bottom first, and a shelf of columns, left first.
using Column = std::vector<int>;
using Shelf = std::vector<Column>;

// Appends a tier's shelves to the sequences. Shelf k lies on shelf k - 1
// and a block of a column on the one before it: both follow in A and in B.
// Columns stand side by side: forwards in A, backwards in B.
void AppendShelves(const std::vector<Shelf>& shelves, std::vector<int>* a, std::vector<int>* b) {
  for (const Shelf& shelf : shelves) {
    for (const Column& column : shelf) a->insert(a->end(), column.begin(), column.end());
    for (auto column = shelf.rbegin(); column != shelf.rend(); ++column)
      b->insert(b->end(), column->begin(), column->end());
  }
}

// Where its nets pull each block, as a fraction of the outline: a few
// rounds that move every block to the mean centre of its nets, from the
// middle, with terminals at their places. Only the order of these places is
// used, to lay connected blocks near each other and near their terminals.
std::vector<Pull> Pulls(tagBLOCK** blka, tagNET** neta, int n) {
  std::vector<Pull> at(n + 1, Pull{0.5, 0.5});
  const auto block_of = [blka, n](const tagPIN* pin) {
    const tagBLOCK* o = pin->owner;
    return o && o->id >= 1 && o->id <= n && blka[o->id] == o ? o->id : 0;
  };
  for (int round = 0; round < kPullRounds; ++round) {
    std::vector<Pull> sum(n + 1, Pull{0.0, 0.0});
    std::vector<int> count(n + 1, 0);
    for (int j = 1; j <= ntmax; ++j) {
      if (!neta[j]) continue;
      Pull centre{0.0, 0.0};
      int pins = 0;
      for (const tagPINLIST* node = neta[j]->pins; node; node = node->next) {
        const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
        const int b = pin->id == 0 ? block_of(pin) : 0;
        if (b != 0) {
          centre.x += at[b].x;
          centre.y += at[b].y;
        } else if (pin->id != 0 && pin->pinclass) {
          centre.x += pin->pinclass->x;
          centre.y += pin->pinclass->y;
        } else {
          continue;
        }
        ++pins;
      }
      if (pins < 2) continue;
      for (const tagPINLIST* node = neta[j]->pins; node; node = node->next) {
        const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
        const int b = pin->id == 0 ? block_of(pin) : 0;
        if (b == 0) continue;
        sum[b].x += centre.x / pins;
        sum[b].y += centre.y / pins;
        ++count[b];
      }
    }
    for (int b = 1; b <= n; ++b)
      if (count[b] > 0) at[b] = Pull{sum[b].x / count[b], sum[b].y / count[b]};
  }
  return at;
}

// Lays one tier's blocks, sorted by their pull upwards, in `bands` bands
// of equal area from the bottom. In a band the blocks go by decreasing
// height: each opens a shelf, or stacks on the last column while the
// shelf's height and the column's width hold it, or opens a column beside;
// a shelf's columns then go by their pull across. Returns the height of the
// stack of shelves.
double LayBands(tagBLOCK** blka, const std::vector<Pull>& pull, int bands, double area,
                std::vector<int> by_pull, std::vector<Shelf>* shelves) {
  shelves->clear();
  const double band_area = area / bands;
  double height = 0.0;
  for (size_t first = 0; first < by_pull.size();) {
    size_t end = first;
    for (double taken = 0.0; end < by_pull.size() && (end == first || taken < band_area); ++end)
      taken += blka[by_pull[end]]->width * blka[by_pull[end]]->height;
    std::stable_sort(by_pull.begin() + static_cast<std::ptrdiff_t>(first),
                     by_pull.begin() + static_cast<std::ptrdiff_t>(end),
                     [blka](int x, int y) { return blka[x]->height > blka[y]->height; });
    const size_t band_first = shelves->size();
    double used = 0.0, shelf_h = 0.0, column_w = 0.0, column_h = 0.0;
    for (size_t i = first; i < end; ++i) {
      const tagBLOCK* blk = blka[by_pull[i]];
      if (shelves->size() > band_first && column_h + blk->height <= shelf_h && blk->width <= column_w) {
        shelves->back().back().push_back(by_pull[i]);
        column_h += blk->height;
        continue;
      }
      if (shelves->size() == band_first || used + blk->width > shape_h) {
        shelves->emplace_back();
        shelf_h = blk->height;
        height += shelf_h;
        used = 0.0;
      }
      shelves->back().push_back(Column{by_pull[i]});
      used += blk->width;
      column_w = blk->width;
      column_h = blk->height;
    }
    for (size_t k = band_first; k < shelves->size(); ++k)
      std::stable_sort((*shelves)[k].begin(), (*shelves)[k].end(),
                       [&pull](const Column& x, const Column& y) { return pull[x[0]].x < pull[y[0]].x; });
    first = end;
  }
  return height;
}

// Moves blocks from the heaviest tier to the lightest while that narrows
// the gap between them, each time the block nearest to half the gap.
void EvenOutTiers(tagBLOCK** blka, std::vector<std::vector<int>>* members) {
  const auto area_of = [blka](int id) { return blka[id]->width * blka[id]->height; };
  std::vector<double> load(members->size(), 0.0);
  for (size_t t = 0; t < members->size(); ++t)
    for (int id : (*members)[t]) load[t] += area_of(id);
  for (;;) {
    const auto [light, heavy] = std::minmax_element(load.begin(), load.end());
    const double gap = *heavy - *light;
    std::vector<int>& from = (*members)[heavy - load.begin()];
    size_t pick = from.size();
    for (size_t i = 0; i < from.size(); ++i)
      if (area_of(from[i]) < gap && (pick == from.size() || std::fabs(area_of(from[i]) - gap / 2) <
                                                                std::fabs(area_of(from[pick]) - gap / 2)))
        pick = i;
    if (pick == from.size() || gap <= kEvenLoad * *heavy) return;
    const int id = from[pick];
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(pick));
    (*members)[light - load.begin()].push_back(id);
    *heavy -= area_of(id);
    *light += area_of(id);
  }
}

// The tiers in the order their runs start in A, and each tier's blocks in
// that order.
std::vector<int> TierRuns(const tagDualSeq& seq, std::vector<std::vector<int>>* members) {
  std::vector<int> order;
  members->assign(std::max(tier_no, 1), {});
  for (int id = seq.next_a[0]; id != 0; id = seq.next_a[id]) {
    const int t = seq.tier[id];
    if ((*members)[t].empty()) order.push_back(t);
    (*members)[t].push_back(id);
  }
  return order;
}

// Fixed blocks whose x extents overlap, bottom first: one column of a
// shelf, each block at its own place.
struct FixedColumn {
  double xl, xh;
  Column ids;
};

// The fixed blocks of one shelf as columns, left to right.
std::vector<FixedColumn> FixedColumns(tagBLOCK** blka, std::vector<int> ids) {
  std::sort(ids.begin(), ids.end(),
            [blka](int x, int y) { return blka[x]->fixed_x_lo < blka[y]->fixed_x_lo; });
  std::vector<FixedColumn> columns;
  for (int id : ids) {
    const tagBLOCK* f = blka[id];
    if (columns.empty() || f->fixed_x_lo >= columns.back().xh)
      columns.push_back({f->fixed_x_lo, f->fixed_x_lo + f->width, {}});
    columns.back().xh = std::max(columns.back().xh, f->fixed_x_lo + f->width);
    columns.back().ids.push_back(id);
  }
  for (FixedColumn& column : columns)
    std::sort(column.ids.begin(), column.ids.end(),
              [blka](int x, int y) { return blka[x]->fixed_y_lo < blka[y]->fixed_y_lo; });
  return columns;
}

// One tier's blocks in shelves around its fixed blocks. A shelf takes the
// tallest movable block that fits under the next fixed block's lower edge,
// and the movable blocks no taller than it; when none fits, the tallest one,
// and the fixed blocks whose lower edges its height reaches, which stand in
// it as columns at their places and raise its height to their tops. The
// movable blocks, by decreasing height, fill a shelf from the left in the
// room before, between and after those columns, stack in the last column
// while the shelf's first height and the column's width hold them, and
// fill the pocket under each fixed column, up to the next column.
std::vector<Shelf> ShelvesAroundFixed(tagBLOCK** blka, const std::vector<int>& members) {
  std::vector<int> left, fixed;
  for (int id : members) (blka[id]->kind != 0 ? fixed : left).push_back(id);
  std::stable_sort(left.begin(), left.end(),
                   [blka](int x, int y) { return blka[x]->height > blka[y]->height; });
  std::stable_sort(fixed.begin(), fixed.end(),
                   [blka](int x, int y) { return blka[x]->fixed_y_lo < blka[y]->fixed_y_lo; });
  std::vector<Shelf> shelves;
  size_t next_fixed = 0;
  for (double base = 0.0; !left.empty() || next_fixed < fixed.size();) {
    const double room = next_fixed < fixed.size() ? blka[fixed[next_fixed]]->fixed_y_lo - base : kInfinity;
    const auto under =
        std::find_if(left.begin(), left.end(), [&](int id) { return blka[id]->height <= room; });
    const size_t first = under != left.end() ? static_cast<size_t>(under - left.begin()) : 0;
    const double first_h = left.empty() ? kInfinity : blka[left[first]]->height;
    double top = base + first_h;
    std::vector<int> mine;
    for (; next_fixed < fixed.size() && blka[fixed[next_fixed]]->fixed_y_lo < top; ++next_fixed) {
      mine.push_back(fixed[next_fixed]);
      top = std::max(top, blka[mine.back()]->fixed_y_lo + blka[mine.back()]->height);
    }
    const std::vector<FixedColumn> columns = FixedColumns(blka, mine);
    Shelf shelf;
    std::vector<bool> taken(left.size(), false);
    size_t column = 0;
    double cursor = 0.0, column_w = 0.0, column_h = 0.0, shelf_top = base;
    bool stacking = false;  // the last column is of movable blocks
    const auto place_column = [&]() {
      const FixedColumn& c = columns[column];
      const double room_h = blka[c.ids[0]]->fixed_y_lo - base;
      const double room_w = (column + 1 < columns.size() ? columns[column + 1].xl : shape_h) - cursor;
      Column pocket;
      double pocket_h = 0.0, right = cursor;
      for (size_t k = 0; k < left.size(); ++k) {
        const tagBLOCK* blk = blka[left[k]];
        if (taken[k] || pocket_h + blk->height > room_h || blk->width > room_w) continue;
        taken[k] = true;
        pocket.push_back(left[k]);
        pocket_h += blk->height;
        right = std::max(right, cursor + blk->width);
      }
      pocket.insert(pocket.end(), c.ids.begin(), c.ids.end());
      shelf.push_back(std::move(pocket));
      cursor = std::max(right, c.xh);
      stacking = false;
      ++column;
    };
    for (size_t k = first; k < left.size(); ++k) {
      if (taken[k]) continue;
      const tagBLOCK* blk = blka[left[k]];
      if (stacking && column_h + blk->height <= first_h && blk->width <= column_w) {
        taken[k] = true;
        shelf.back().push_back(left[k]);
        column_h += blk->height;
        shelf_top = std::max(shelf_top, base + column_h);
        continue;
      }
      while (column < columns.size() && cursor + blk->width > columns[column].xl) place_column();
      if (taken[k]) continue;  // gone into a pocket
      if (cursor + blk->width > shape_h && !shelf.empty()) break;
      taken[k] = true;
      shelf.push_back(Column{left[k]});
      cursor += blk->width;
      column_w = blk->width;
      column_h = blk->height;
      shelf_top = std::max(shelf_top, base + column_h);
      stacking = true;
    }
    while (column < columns.size()) place_column();
    for (int id : mine) shelf_top = std::max(shelf_top, blka[id]->fixed_y_lo + blka[id]->height);
    size_t kept = 0;
    for (size_t k = 0; k < left.size(); ++k)
      if (!taken[k]) left[kept++] = left[k];
    left.resize(kept);
    shelves.push_back(std::move(shelf));
    base = shelf_top;
  }
  return shelves;
}

}  // namespace

void LayShelvesAroundPreplaced(tagBLOCK** blka, tagDualSeq* seq) {
  std::vector<std::vector<int>> members;
  const std::vector<int> order = TierRuns(*seq, &members);
  std::vector<int> a, b;
  for (int t : order) AppendShelves(ShelvesAroundFixed(blka, members[t]), &a, &b);
  LinkSequence(a, &seq->next_a);
  LinkSequence(b, &seq->next_b);
  RebuildPositions(seq);
}

double LayShelves(tagBLOCK** blka, tagNET** neta, tagDualSeq* seq) {
  const int n = seq->count;
  if (!AllBlocksMovable(blka, n)) return 0.0;
  // The tiers in the order of their runs in A (empty ones last), each with
  // its blocks; then even loads, as the outline is the same on every tier.
  std::vector<std::vector<int>> members;
  std::vector<int> order = TierRuns(*seq, &members);
  for (int t = 0; t < static_cast<int>(members.size()); ++t)
    if (members[t].empty()) order.push_back(t);
  EvenOutTiers(blka, &members);

  const std::vector<Pull> pull = Pulls(blka, neta, n);
  std::vector<int> a, b;
  a.reserve(n);
  b.reserve(n);
  double tallest = 0.0;
  for (int t : order) {
    std::vector<int> by_pull = members[t];
    double area = 0.0;
    for (int id : by_pull) area += blka[id]->width * blka[id]->height;
    std::stable_sort(by_pull.begin(), by_pull.end(), [&pull](int x, int y) { return pull[x].y < pull[y].y; });
    // Narrow bands keep connected blocks near, wide ones waste less height
    // where a band's last shelf is short: the most bands that still fit
    // the outline's height, or one.
    std::vector<Shelf> shelves;
    double height = 0.0;
    for (int bands = std::max(1, static_cast<int>(std::sqrt(by_pull.size()) / kShelvesPerBand));;
         bands /= 2) {
      height = LayBands(blka, pull, bands, area, by_pull, &shelves);
      if (height <= shape_v || bands == 1) break;
    }
    tallest = std::max(tallest, height);
    AppendShelves(shelves, &a, &b);
  }
  for (int t = 0; t < static_cast<int>(members.size()); ++t)
    for (int id : members[t]) seq->tier[id] = blka[id]->tier = t;
  LinkSequence(a, &seq->next_a);
  LinkSequence(b, &seq->next_b);
  RebuildPositions(seq);
  return tallest / shape_v;
}

int SearchWindow(int n) { return n > kFullSearchBlocks ? kLargeDesignWindow : std::clamp(n, 25, 1000); }

bool StartsFromShelves(int n, const tagPARAMETERS* params) {
  return n > kFullSearchBlocks || (params->time_limit > 0 && n >= kShelfStartBlocks);
}

bool AllBlocksMovable(tagBLOCK** blka, int n) {
  return std::all_of(blka + 1, blka + n + 1, [](const tagBLOCK* blk) { return blk->kind == 0; });
}
