// Via planning on the final floorplan: grid and capacities, via demand, the
// three assignment stages one after the other on the same vias, the report
// lines after each, and one drawing per tier.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/utilities.h"
#include "io/io.h"
#include "signalvia/signalvia.h"

namespace {

// Via-aware length of every via net into its hpwl_w_via; returns the sum.
// With `failed` given, the nets left without a length are reported and counted.
double MeasureViaNets(tagNET* nets, int* failed) {
  double sum = 0.0;
  if (failed) *failed = 0;
  for (tagNET* net = nets; net; net = net->next) {
    if (net->via_cnt <= 0) continue;
    net->hpwl_w_via = ViaAwareNetLength(net);
    sum += net->hpwl_w_via;
    if (failed && net->hpwl_w_via <= 1e-6) {
      std::printf("Warning: Some nets required vias have zero hpwl(%.2f)!\n", net->hpwl_w_via);
      ++*failed;
    }
  }
  return sum;
}

double Seconds(int start) { return (GetCpuTime() - start) / 1000.0; }

// Stops the run when a boundary has more vias than its cells can hold,
// saying last which boundary is short and what gives room.
void CheckCapacity(int tier_count, const int* cap_per_layer, const int* via_count, const tagSIGGRIDDIM& dim,
                   const tagBLOCK* design, const tagPARAMETERS* prm, const tagNORMPARA* norm) {
  if (tier_count <= 1) return;
  int short_boundary = 0;
  for (int t = 1; t < tier_count; ++t) {
    std::printf("Layer %d: %d positions for %d vias\n", t, cap_per_layer[t], via_count[t]);
    if (via_count[t] > cap_per_layer[t]) {
      std::printf("Warning: via positions on layer %d is not enough\n", t);
      if (short_boundary == 0) short_boundary = t;
    }
  }
  if (short_boundary == 0) return;
  const double u = norm->unscale;
  Refuse({}, -1,
         "Via planning stops: the boundary below tier %d has %d positions for %d vias on a grid of %d x %d "
         "cells of %.2f x %.2f um, %.2f um2 per via; larger cells (%s), more white space (sparearea, a "
         "larger die) or svia_assignment 0 give room.",
         short_boundary, cap_per_layer[short_boundary], via_count[short_boundary], dim.dimx, dim.dimy,
         design->width / dim.dimx * u, design->height / dim.dimy * u, sigvia_size * u * u,
         prm->setSizeOrDim == 0 ? "fewer signalvia_gridx, signalvia_gridy"
                                : "larger signalvia_sizex, signalvia_sizey");
}

void ReportSetup(const tagSIGGRIDDIM& dim, const tagPARAMETERS* prm, const tagNORMPARA* norm) {
  const double u = norm->unscale, u2 = norm->unscale_sq;
  const double sx = prm->signalvia_sizex, sy = prm->signalvia_sizey;
  std::printf("[SETUP]\n[Grid Dimension:%d X %d\n", dim.dimx, dim.dimy);
  std::printf("Signal Via Size: %.2f (Norm:%.2f)\n", sigvia_size * u * u, sigvia_size);
  std::printf("setDimOrSize %d\n", prm->setSizeOrDim);
  std::printf("Block size expand (size_expand)%.2f\n", size_expand);
  std::printf("sv_sizex %.2f (Norm:%.2f)\n", sx * u, sx);
  std::printf("sv_sizey %.2f (Norm:%.2f)\n", sy * u, sy);
  std::printf("Grid Size:%.2f (Norm:%.2f);]\n\n", sx * sy * u2, sx * sy);
  AppendToReport("via_assignment.txt",
                 "[SETUP][grid:%dx%d;viasize:%.2f;sv_sizex:%.2f;sv_sizey %.2f;"
                 "size_expand:%.2f;Grid Size:%.2f;]\n",
                 dim.dimx, dim.dimy, sigvia_size * u * u, sx * u, sy * u, size_expand * u, sx * sy * u2);
}

void KeepViaPlaces(tagNET* nets, ViaPlaces* places) {
  for (const tagNET* net = nets; net; net = net->next)
    for (int k = 0; k < net->via_cnt; ++k) {
      const tagSIGVIA* via = net->vias[k];
      if (!via || !via->grid) continue;
      (*places)[net].push_back(
          {via->layer, via->grid->x + 0.5 * via->grid->w, via->grid->y + 0.5 * via->grid->h});
    }
}

void WriteOutline(FILE* f, const double (*points)[2]) {
  for (int p = 0; p < 5; ++p) std::fprintf(f, "%.0f %.0f\n", points[p][0], points[p][1]);
  std::fprintf(f, "\n\n");
}

}  // namespace

void SignalViaPlanning(tagBLOCK* design, int tier_count, tagPARAMETERS* prm, tagNORMPARA* norm,
                       ViaPlaces* places) {
  tagSIGGRIDDIM dim{0, 0, tier_count};
  std::unique_ptr<tagSIGGRIDSET> grids = BuildGridsForViaPlanning(design, &dim, prm);
  if (!grids) {
    DclError("Failed to allocate memories!\n");
    return;
  }
  AppendToReport("vp_table1.txt",
                 "net; via; grid_size; MLlowerbound; MLLR; time; netbynet; time; layerbylayer; "
                 "time; lowerbound; LR; time;\n");
  std::vector<int> cap_per_layer(tier_count, 0);
  CalWSDistribution(design, tier_count, *grids, &dim, cap_per_layer.data());

  std::vector<int> via_count(tier_count, 0);
  tagNETLIST* net_list = nullptr;
  std::vector<tagSIGVIA*> lists =
      ConstructViaListForLayers(design->nets, tier_count, via_count.data(), net_list);
  CheckCapacity(tier_count, cap_per_layer.data(), via_count.data(), dim, design, prm, norm);
  std::printf("\n");
  AppendToReport("vp_table1.txt", "%dx%d; ", dim.dimx, dim.dimy);
  ReportSetup(dim, prm, norm);

  int start = GetCpuTime();
  NetByNetMultiLayerSignalViaAssignment(net_list, tier_count, *grids, &dim);
  double seconds = Seconds(start);
  std::printf("Upper Bound Updated: --> %.2f\n", lm_upper_bound);
  ub_change = false;
  int failed = 0;
  double wire = MeasureViaNets(design->nets, &failed);
  std::printf("Viaed Net Wire length(net by net): %.2f\n\n", wire);
  AppendToReport("vp_table1.txt", "%.2f; %.2f; ", wire, seconds);

  start = GetCpuTime();
  SetExpectedValueForGridVia(net_list, *grids, &dim, tier_count);
  SignalViaAssignment(lists.data(), via_count.data(), tier_count, *grids, &dim, design->nets);
  AppendToReport("vp_table1.txt", "%.2f; ", Seconds(start));
  if (ub_change) {
    lm_upper_bound = MeasureViaNets(design->nets, nullptr);
    ub_change = false;
    std::printf("Upper Bound Updated: --> %.2f\n", lm_upper_bound);
  }

  start = GetCpuTime();
  MultiLayerSignalViaAssignmentByMultiRelaxation(net_list, tier_count, *grids, &dim);
  seconds = Seconds(start);
  wire = MeasureViaNets(design->nets, &failed);
  std::printf("Viaed Net Wire length: %.2f, time:%.2f\n", wire, seconds);
  AppendToReport("vp_table1.txt", "%.2f; %.2f; ", wire, seconds);
  AppendToReport("via_assignment.txt", "[LAGRAGIAN_TOTAL][viaed_wire: %.2f; failed viaed:%d; time:%.2f]\n\n",
                 wire, failed, seconds);
  AppendToReport("via_rt.txt", "[LAGRAGIAN_TOTAL][viaed_wire: %.2f; failed viaed:%d; time:%.2f;]\n", wire,
                 failed, seconds);

  OutputViaDistribution(design, *grids, &dim, tier_count, norm);
  if (places) KeepViaPlaces(design->nets, places);
  AppendToReport("vp_table1.txt", "\n");
  FreeSigGrid(grids, &dim);
  FreeViaDemand(design->nets, lists, net_list);
}

void OutputViaDistribution(tagBLOCK* design, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int tier_count,
                           tagNORMPARA* norm) {
  const double s = norm->unscale;
  const double W = design->width * s, H = design->height * s;
  for (int t = 0; t < tier_count; ++t) {
    const std::string name =
        "via_dist_" + std::string(design->name ? design->name : "") + "_" + std::to_string(t) + ".gp";
    ReplacedFile out(name);
    FILE* f = out.get();
    if (!f) {
      std::printf("Warning: cannot open %s\n", name.c_str());
      continue;
    }
    std::fprintf(f, "set nokey\n\n\n");
    std::fprintf(f, "plot '-' w l\n");
    const double outline[5][2] = {{0, 0}, {0, H}, {W, H}, {W, 0}, {0, 0}};
    WriteOutline(f, outline);
    for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
      if (blk->tier != t) continue;
      const double x0 = (blk->x + size_expand) * s, y0 = (blk->y + size_expand) * s;
      const double x1 = (blk->x + blk->width - size_expand) * s;
      const double y1 = (blk->y + blk->height - size_expand) * s;
      const double box[5][2] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
      WriteOutline(f, box);
    }
    for (int ix = 0; ix < dim->dimx; ++ix) {
      for (int iy = 0; iy < dim->dimy; ++iy) {
        const tagSIGGRID* c = grids.cell(t, ix, iy);
        if (c->via_num <= 0) continue;
        const double x0 = c->x * s, y0 = c->y * s, x1 = (c->x + c->w) * s, y1 = (c->y + c->h) * s;
        const double box[5][2] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
        WriteOutline(f, box);
      }
    }
    std::fprintf(f, "EOF\n\n");
    std::fprintf(f, "pause -1 'Press any key'\n");
    out.Commit();
  }
}
