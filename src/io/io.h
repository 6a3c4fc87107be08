// Benchmark input and result output: the GSRC bookshelf reader and the
// writers of the placement, the tier drawings and the statistics record.
#pragma once
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"

struct tagDualSeq;
struct tagLevelList;

// --- bookshelf reader ---------------------------------------------------------
// Reads base.blocks, base.pl and base.nets into the design record and the
// root class. Returns 0; fatal input errors end the process.
// Reads: the three files, no globals; writes: the root class, the design record, *norm (scale 1).
int InputGSRCFiles(const char* base, tagBLOCKCLASS* root, tagBLOCK* design, tagNORMPARA* norm,
                   tagPARAMETERS* params);

// --- result writers -----------------------------------------------------------
// A file that replaces `path` only when it was written completely: it is
// written under a temporary name and renamed into place by Commit. Without
// Commit, or when a write failed, the old file stays and the temporary goes.
class ReplacedFile {
 public:
  explicit ReplacedFile(std::string path);
  ~ReplacedFile();
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  FILE* get() const { return f_; }  // null when the file could not be created
  const std::string& path() const { return path_; }
  // Closes the file and moves it into place; on a write error prints
  // "Warning: Cannot write <path>!" and the old file stays.
  void Commit();

 private:
  std::string path_;
  std::string temp_;
  FILE* f_;
};

// Every result file a writer could not create, write or put in place is
// noted; a run with any such file has failed, whatever else it did.
void NoteUnwritten(const std::string& path);
const std::vector<std::string>& UnwrittenResults();
void ResetResultFiles();
// Removes the temporaries of result files that runs of `base` (or via
// drawings) left in the working directory when they were killed: those whose
// process is gone.
void RemoveStaleTemporaries(const char* base);

// Appends `record` to `path` (created when missing) in one write; a write cut
// short is taken back, so the file only ever grows by whole records. 0 on
// success, -1 when the record could not be appended.
// Reads: no globals; writes: the file at `path`.
int AppendRecord(const char* path, const std::string& record);
// Writes "<base>_final.pl": every block's corner (input units), orientation and tier.
// Reads: the design's blocks, *norm; writes: that file.
int OutputGSRCFiles(const char* base, tagBLOCK* design, tagNORMPARA* norm, tagPARAMETERS* params);
// "<base>_blocks.map" of a LEF/DEF run: one line "block component macro"
// per component, "pad" for the pads and "-" for the physical-only cells.
// Reads: the design's blocks and their cells, the pads, left_out; writes: that file.
int OutputBlockMap(const char* base, const tagBLOCK* design, const tagBLOCK* pads, const tagBLOCK* left_out);
// Packs the floorplan and prints its summary; with flag 1 (the final floorplan) it also writes one
// drawing per tier, "<base>_layer_<t>.plt", and appends the statistics record to "<base>.txt".
// Reads: p_btree, p_rtree, zarea_all, tier_no, optngap_h, optngap_v, ntmax0, ntmax, *seq, the design,
// params, with flag 1 sa_flag, bt, et, inter_layer_vias; writes: mxdstha, mxdstva, tiera, staircases b
// and r of *levels, both trees, every block's lower-left x, y, every terminal's and block pin's x, y,
// those files.
int OutputCellsForMultiTiers(const char* base, int flag, tagBLOCK** blka, tagNET** neta, tagPIN** pada,
                             tagBLOCK* pads, tagDualSeq* seq, tagLevelList* levels, tagNORMPARA* norm,
                             tagPARAMETERS* params, int budget);
// Draws every net as a path through its pins from left to right.
// Reads: the nets' pins, *norm; writes: f.
void OutputNetsForPlot(tagNET* nets, tagNORMPARA* norm, FILE* f, int flag);

// --- DEF of every tier ------------------------------------------------------------
// Where a net crosses between tiers: its via of one boundary (joining tiers
// boundary - 1 and boundary), in internal units.
struct ViaPlace {
  int boundary;
  double x, y;
};
using ViaPlaces = std::unordered_map<const tagNET*, std::vector<ViaPlace>>;

// --- LEF/DEF design input -------------------------------------------------------
// Reads the LEF libraries in order and the DEF design, refuses components of
// unknown macros, leaves the physical-only cells (no signal net) out into
// *left_out, groups the standard cells into params->cell_groups blocks (from
// `partfile` when given, else by partitioning; fixed cells and, with
// params->macro_blocks, macros stay blocks of their own), sets the outline
// from the pad ring or the die area, places the terminals and scales the
// outline to width + height = 200. `*pads` receives the fixed pad components
// and `*cell_nets` the component-level nets. Returns 0; bad input ends the run.
// Reads: the files, params (cell_groups, macro_blocks, macro_net_weight, die_outline, macro_halo,
// fence_utilization, bond_layer, layers, rotate, sparearea), sub_ar; writes: lefdef_reading,
// lefdef_floorplan, p_lib_design, p_design, the echo file "list", with die_outline params->outline_w and
// outline_h, the root class, the design record, *norm, *pads, *cell_nets, *left_out.
int InputDataFromLefDef(const std::vector<std::string>& lefs, const char* def, const char* partfile,
                        tagPARAMETERS* params, tagBLOCKCLASS* root, tagBLOCK* design, tagNORMPARA* norm,
                        tagBLOCK** pads, tagNET** cell_nets, tagBLOCK** left_out);
