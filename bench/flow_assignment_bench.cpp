// CPU time of the layer-by-layer flow assignment on one tier boundary as the
// number of vias, the window of cells each via may use and the grid grow.
// The last column divides the time by vias x window cells x log2(cells), so
// it stays flat while the stage scales as that product.
//
// Each via joins two one-pin sub-nets placed at random inside its window;
// windows are fixed (the via's resource is set high) so that the window size
// is exactly the one in the table. Report files go to a temporary directory.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

namespace {

constexpr double kChip = 1000.0;

struct Boundary {
  tagSIGGRIDDIM dim{};
  tagSIGGRIDSET grids;
  std::vector<tagNET> nets, subs;
  std::vector<tagSIGVIA> vias;
  std::vector<tagSIGVIA*> via_ptrs;
  std::vector<tagNET*> sub_ptrs;
  std::vector<tagSIGVIA*> lists{nullptr, nullptr};
  std::vector<int> via_count{0, 0};

  Boundary(int cells_per_side, int via_total, int window, std::mt19937& rng)
      : nets(via_total), subs(2 * via_total), vias(via_total), via_ptrs(via_total), sub_ptrs(2 * via_total) {
    dim = {cells_per_side, cells_per_side, 2};
    grids.layers = 2;
    grids.dimx = grids.dimy = cells_per_side;
    grids.cells.resize(2 * cells_per_side * cells_per_side);
    const double pitch = kChip / cells_per_side;
    for (int layer = 0; layer < 2; ++layer)
      for (int ix = 0; ix < cells_per_side; ++ix)
        for (int iy = 0; iy < cells_per_side; ++iy)
          *grids.cell(layer, ix, iy) = tagSIGGRID{cells_per_side * ix + iy,
                                                  pitch * ix,
                                                  pitch * iy,
                                                  pitch,
                                                  pitch,
                                                  pitch * pitch,
                                                  4,
                                                  0,
                                                  0,
                                                  0.0,
                                                  layer,
                                                  iy,
                                                  ix,
                                                  0.0,
                                                  nullptr};
    std::uniform_int_distribution<int> corner(0, cells_per_side - window);
    for (int v = 0; v < via_total; ++v) {
      double x0 = corner(rng) * pitch, y0 = corner(rng) * pitch, span = window * pitch;
      std::uniform_real_distribution<double> px(x0 + 1, x0 + span - 1), py(y0 + 1, y0 + span - 1);
      tagNET& net = nets[v];
      tagSIGVIA& via = vias[v];
      via_ptrs[v] = &via;
      for (int s = 0; s < 2; ++s) {
        tagNET& sub = subs[2 * v + s];
        sub.minx = sub.maxx = px(rng);
        sub.miny = sub.maxy = py(rng);
        sub.via_cnt = 1;
        sub.vias = &via_ptrs[v];
        sub_ptrs[2 * v + s] = &sub;
      }
      net.via_cnt = 1;
      net.vias = &via_ptrs[v];
      net.sub_nets = &sub_ptrs[2 * v];
      net.next = v + 1 < via_total ? &nets[v + 1] : nullptr;
      // The window's corner cells' centres bound the via's box.
      via.via_id = v;
      via.layer = 1;
      via.minx = x0 + 0.5 * pitch;
      via.miny = y0 + 0.5 * pitch;
      via.maxx = x0 + span - 0.5 * pitch;
      via.maxy = y0 + span - 0.5 * pitch;
      via.net = &net;
      via.lower_net = &subs[2 * v];
      via.upper_net = &subs[2 * v + 1];
      via.resource = 1e9;
      via.via_next = lists[1];
      lists[1] = &via;
    }
    via_count[0] = via_count[1] = via_total;
  }
};

// Runs the flow with standard output silenced; returns CPU seconds.
double TimeFlow(Boundary& b, int& placed) {
  fflush(stdout);
  int saved = dup(1);
  int null_fd = open("/dev/null", O_WRONLY);
  dup2(null_fd, 1);
  close(null_fd);
  int start = GetCpuTime();
  placed = SignalViaAssignment(b.lists.data(), b.via_count.data(), 2, b.grids, &b.dim, b.nets.data());
  double secs = (GetCpuTime() - start) / 1000.0;
  fflush(stdout);
  dup2(saved, 1);
  close(saved);
  return secs;
}

}  // namespace

int main() {
  char dir[] = "/tmp/flow_bench_XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
  std::mt19937 rng(7);
  printf("%6s %6s %7s %9s %7s %9s %14s\n", "grid", "vias", "window", "edges", "placed", "cpu_s",
         "us/(v*w*logc)");
  struct Case {
    int side, vias, window;
  };
  const Case cases[] = {{10, 100, 3},  {10, 200, 3},  {10, 380, 3},  {20, 400, 3},
                        {20, 800, 3},  {20, 1500, 3}, {20, 800, 5},  {20, 800, 8},
                        {40, 1500, 3}, {40, 3000, 3}, {40, 6000, 3}, {40, 3000, 6}};
  for (const Case& c : cases) {
    Boundary b(c.side, c.vias, c.window, rng);
    int placed = 0;
    double secs = TimeFlow(b, placed);
    int cells = c.side * c.side;
    double window_cells = c.window * c.window;
    double edges = cells + c.vias + c.vias * window_cells;
    printf("%3dx%-3d %6d %7.0f %9.0f %7d %9.2f %14.3f\n", c.side, c.side, c.vias, window_cells, edges, placed,
           secs, 1e6 * secs / (c.vias * window_cells * std::log2(cells)));
    fflush(stdout);
  }
  for (const char* report : {"via_assignment.txt", "vp_table1.txt", "via_rt.txt"}) unlink(report);
  return chdir("/") == 0 && rmdir(dir) == 0 ? 0 : 1;
}
