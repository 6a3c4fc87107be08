#include "driver/parameters.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "test_support.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScratchDir;
using testing_support::WriteFile;

// A record full of garbage, so a field InitParameters forgets shows up.
tagPARAMETERS Defaults() {
  tagPARAMETERS p;
  std::memset(&p, 0xAB, sizeof p);
  EXPECT_EQ(InitParameters(&p), 0);
  return p;
}

// Reads `text` as a parameter file over the defaults; returns what was printed.
std::string ReadPrm(const std::string& text, tagPARAMETERS* p, int n) {
  ScratchDir dir;
  std::string path = dir.file("fl.prm");
  WriteFile(path, text);
  CaptureStdout capture;
  EXPECT_EQ(InputPrm(path.c_str(), p, n), 0);
  return capture.Finish();
}

TEST(InitParametersTest, EveryDefault) {
  tagPARAMETERS p = Defaults();
  // Driver-set fields start empty.
  EXPECT_EQ(p.giveup, 0);
  EXPECT_EQ(p.depthmax, 0);
  EXPECT_EQ(p.movenode, 0);
  EXPECT_EQ(p.ntlubd1, 0.0);
  EXPECT_EQ(p.ntlubd2, 0.0);
  EXPECT_EQ(p.ntpenalty1, 0.0);
  EXPECT_EQ(p.ntpenalty2, 0.0);
  EXPECT_EQ(p.obj_area_wgt, 0.0);
  EXPECT_EQ(p.area_wgt, 0.0);
  EXPECT_EQ(p.net_wgt, 0.0);
  EXPECT_EQ(p.wgt_phase, 0);
  EXPECT_EQ(p.d_mult, 0.0);

  EXPECT_EQ(p.ipcand, 3);
  EXPECT_EQ(p.degobj, 3.0);
  EXPECT_EQ(p.degobj_g, 7.0);
  EXPECT_EQ(p.idle_g, 1000);
  EXPECT_EQ(p.movarea, 5);
  EXPECT_EQ(p.movnet, 5);
  EXPECT_EQ(p.movfix, 100.0);
  EXPECT_EQ(p.allarea, 20);
  EXPECT_EQ(p.allnet, 1.0);
  EXPECT_EQ(p.allfix, 100.0);
  EXPECT_EQ(p.grpwgt, 100.0);
  EXPECT_EQ(p.trace, 0);
  EXPECT_EQ(p.sparearea, 20.0);
  EXPECT_EQ(p.expand, 130.0);
  EXPECT_EQ(p.dltmin, 30.0);
  EXPECT_EQ(p.srchlvl_a, 100);
  EXPECT_EQ(p.srchlvl_b, 100);
  EXPECT_EQ(p.rotate, 1);
  EXPECT_EQ(p.itrlvl, 1);
  EXPECT_EQ(p.proc, 0);
  EXPECT_EQ(p.fil_l, 0.2);
  EXPECT_EQ(p.repfact, 0.3);
  EXPECT_EQ(p.qp_itrmax, 300);
  EXPECT_EQ(p.linecnt, 25000);
  EXPECT_EQ(p.fld_ratio, 0.65);
  EXPECT_EQ(p.fil_ratio, 0.65);
  EXPECT_EQ(p.devi_upd, 0.55);
  EXPECT_EQ(p.grav_ofs, 0.1);
  EXPECT_EQ(p.grav_wgt, 1.1);
  EXPECT_EQ(p.trace_qp, 0);
  EXPECT_EQ(p.display, 0);
  EXPECT_EQ(p.gs_itr_max, 30);
  EXPECT_EQ(p.gs_max_dev, 0.01);
  EXPECT_EQ(p.sor, 1.85);
  EXPECT_EQ(p.sor2, 1.85);
  EXPECT_EQ(p.opt_method, 1);
  EXPECT_EQ(p.net_scale, 1.0);
  EXPECT_EQ(p.start_tempe, 50000);
  EXPECT_EQ(p.end_tempe, 100);
  EXPECT_EQ(p.iterations, 3000);
  EXPECT_EQ(p.cooling_ratio, 0.85);
  EXPECT_EQ(p.layers, 2);
  EXPECT_EQ(p.wgt_via, 1);
  EXPECT_EQ(p.thermal_opt, 0);
  EXPECT_EQ(p.pin_at_center, 1);
  EXPECT_EQ(p.svia_assignment, 0);
  EXPECT_EQ(p.setSizeOrDim, 0);
  EXPECT_EQ(p.signalvia_gridx, 10);
  EXPECT_EQ(p.signalvia_gridy, 10);
  EXPECT_EQ(p.signalvia_sizex, 4.0);
  EXPECT_EQ(p.signalvia_sizey, 4.0);
  EXPECT_EQ(p.opt_ws_dist, 0);
  EXPECT_EQ(p.wgt_wsdist, 0.0);
  EXPECT_EQ(p.init_rand, 1);
  EXPECT_EQ(p.deltac_wgt, 1.0);
  EXPECT_EQ(p.deltnt_wgt, 1.0);
  EXPECT_EQ(p.deltvia_wgt, 1.0);
  EXPECT_EQ(p.seed, 0);
  EXPECT_EQ(p.lb_shift, 0.0);
  EXPECT_EQ(p.placed_area, 0.0);
}

TEST(InitParametersTest, StandInsForValuesTheFileShouldGive) {
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(p.aspect_ratio, 1.0);
  EXPECT_EQ(p.t_base, 0.05);
  EXPECT_EQ(p.opt_wire, 1);
  EXPECT_EQ(p.spcwgt, 0.0);
  EXPECT_EQ(p.frc, 0.0);
  EXPECT_EQ(p.scan_fe, 0);
  EXPECT_EQ(p.delta_fil, 0.0);
  EXPECT_EQ(p.lu_ntdeg_thd, 0);
  EXPECT_EQ(p.gs_ntdeg_thd, 0);
  EXPECT_EQ(p.fix_cel_den, 0.0);
}

TEST(InitParametersTest, NullRecord) {
  CaptureStdout capture;
  EXPECT_EQ(InitParameters(nullptr), -1);
  EXPECT_EQ(capture.Finish(), "Null pointer!\n");
}

// ---- size-dependent defaults ---------------------------------------------

TEST(SetSizeParametersTest, DepthFollowsTheBlockCount) {
  struct Case {
    int n, depth;
  } cases[] = {{1, 1}, {16, 16}, {49, 49}, {50, 50}, {100, 50}, {1000, 88}, {3000, 202}, {3300, 217}};
  for (const Case& c : cases) {
    tagPARAMETERS p = Defaults();
    SetSizeParameters(&p, c.n);
    EXPECT_EQ(p.depthmax, c.depth) << "n " << c.n;
    EXPECT_EQ(p.giveup, 5 * c.n);
    EXPECT_EQ(p.movenode, c.n);
  }
}

TEST(SetSizeParametersTest, FileValuesReplaceThem) {
  tagPARAMETERS p = Defaults();
  SetSizeParameters(&p, 40);
  ReadPrm("giveup 50\nend\n", &p, 40);
  EXPECT_EQ(p.giveup, 20);
  EXPECT_EQ(p.movenode, 40);
  EXPECT_EQ(p.depthmax, 40);
}

// ---- InputPrm -------------------------------------------------------------

TEST(InputPrmTest, EndOnlyKeepsEveryField) {
  tagPARAMETERS p = Defaults();
  p.giveup = 200;  // as the driver sets them before the file is read
  p.depthmax = 50;
  p.movenode = 40;
  tagPARAMETERS before;
  std::memcpy(&before, &p, sizeof p);  // byte copy, padding included
  EXPECT_EQ(ReadPrm("end\n", &p, 40), "\n");
  EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

TEST(InputPrmTest, EndAsFirstWordStopsReading) {
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(ReadPrm("end layers 3\nopt_method 0\n", &p, 10), "\n");
  EXPECT_EQ(p.layers, 2);
  EXPECT_EQ(p.opt_method, 1);
}

TEST(InputPrmTest, PairsAfterEndAreIgnored) {
  tagPARAMETERS p = Defaults();
  ReadPrm("layers 4\nend 0\nlayers 5\n", &p, 10);
  EXPECT_EQ(p.layers, 4);
}

TEST(InputPrmTest, PercentKeywordsTruncate) {
  tagPARAMETERS p = Defaults();
  ReadPrm("giveup 50 depthmax 1 movenode 250\nend\n", &p, 40);
  EXPECT_EQ(p.giveup, 20);
  EXPECT_EQ(p.depthmax, 0);
  EXPECT_EQ(p.movenode, 100);
  ReadPrm("giveup 1 depthmax -99\nend\n", &p, 40);
  EXPECT_EQ(p.giveup, 0);
  EXPECT_EQ(p.depthmax, -39);  // toward zero
}

TEST(InputPrmTest, PercentKeywordsDoNotOverflow) {
  tagPARAMETERS p = Defaults();
  ReadPrm("giveup 2000000000 movenode 100000000 depthmax -2000000000\nend\n", &p, 3300);
  EXPECT_EQ(p.movenode, INT_MAX);
  EXPECT_EQ(p.giveup, INT_MAX);
  EXPECT_EQ(p.depthmax, INT_MIN);
  ReadPrm("giveup 60000000\nend\n", &p, 3300);  // product beyond int, share within
  EXPECT_EQ(p.giveup, 1980000000);
}

TEST(InputPrmTest, ScaledValues) {
  tagPARAMETERS p = Defaults();
  ReadPrm(
      "cooling_ratio 85 deltac_wgt 10000 deltnt_wgt 5000 aspect_ratio 100\n"
      "t_base 50 frc 25 delta_fil 3 gs_max_dev 20000 fix_cel_den 7\n"
      "fil_l 20 sor 185 degobj 4 d_mult 2 signalvia_sizex 6\nend\n",
      &p, 10);
  EXPECT_EQ(p.cooling_ratio, 0.85);
  EXPECT_EQ(p.deltac_wgt, 1.0);
  EXPECT_EQ(p.deltnt_wgt, 0.5);
  EXPECT_EQ(p.aspect_ratio, 1.0);
  EXPECT_EQ(p.t_base, 0.05);
  EXPECT_EQ(p.frc, 2.5);
  EXPECT_EQ(p.delta_fil, 0.000003);
  EXPECT_EQ(p.gs_max_dev, 0.02);
  EXPECT_EQ(p.fix_cel_den, 0.7);
  EXPECT_EQ(p.fil_l, 0.2);
  EXPECT_EQ(p.sor, 1.85);
  EXPECT_EQ(p.degobj, 4.0);
  EXPECT_EQ(p.d_mult, 2.0);
  EXPECT_EQ(p.signalvia_sizex, 6.0);
}

TEST(InputPrmTest, ThreeTiersWithInsertionOptimiser) {
  tagPARAMETERS p = Defaults();
  ReadPrm("layers 3\nopt_method 0\nend\n", &p, 10);
  EXPECT_EQ(p.layers, 3);
  EXPECT_EQ(p.opt_method, 0);
}

TEST(InputPrmTest, LastOccurrenceWins) {
  tagPARAMETERS p = Defaults();
  ReadPrm("ipcand 4\nipcand 9 ipcand 6\nend\n", &p, 10);
  EXPECT_EQ(p.ipcand, 6);
}

TEST(InputPrmTest, KeywordsAreCaseSensitive) {
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(ReadPrm("Layers 3\nend\n", &p, 10), " Layers ?( Layers    :    3)\n");
  EXPECT_EQ(p.layers, 2);
}

TEST(InputPrmTest, CommentsAnywhereBetweenPairs) {
  tagPARAMETERS p = Defaults();
  std::string out = ReadPrm(
      "* leading comment layers 7\n"
      "layers 3\n"
      "   * indented comment ipcand 8\n"
      "ipcand 5 *trailing comment iterations 1\n"
      "*\n"
      "iterations 40\n"
      "end\n",
      &p, 10);
  EXPECT_EQ(p.layers, 3);
  EXPECT_EQ(p.ipcand, 5);
  EXPECT_EQ(p.iterations, 40);
  EXPECT_EQ(out, "( layers    :    3)( ipcand    :    5)( iterations:   40)\n");
}

TEST(InputPrmTest, EchoFourPairsToALine) {
  tagPARAMETERS p = Defaults();
  std::string out = ReadPrm(
      "giveup 50 ipcand 4\nlayers 3 opt_method 0\nsor 185 cooling_ratio_x -1\n"
      "start_tempe 123456 deltvia_wgt 10000\nend\n",
      &p, 40);
  EXPECT_EQ(out,
            "( giveup    :   50)( ipcand    :    4)( layers    :    3)( opt_method:    0)\n"
            "( sor       :  185) cooling_ratio_x ?( cooling_ratio_x:   -1)"
            "( start_tempe: 123456)( deltvia_wgt: 10000)\n"
            "\n");
}

TEST(InputPrmTest, UnknownKeywordValueIsConsumed) {
  tagPARAMETERS p = Defaults();
  std::string out = ReadPrm("bogus 7 layers 3\nend\n", &p, 10);
  EXPECT_EQ(out, " bogus ?( bogus     :    7)( layers    :    3)\n");
  EXPECT_EQ(p.layers, 3);
}

TEST(InputPrmTest, FileWithoutEndStopsAtEndOfFile) {
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(ReadPrm("layers 3\nipcand 2", &p, 10), "( layers    :    3)( ipcand    :    2)\n");
  EXPECT_EQ(p.layers, 3);
  EXPECT_EQ(p.ipcand, 2);
}

TEST(InputPrmTest, EmptyFile) {
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(ReadPrm("", &p, 10), "\n");
  EXPECT_EQ(ReadPrm("* only a comment", &p, 10), "\n");
  EXPECT_EQ(p.layers, 2);
}

TEST(InputPrmTest, KeywordOfNinetyNineCharactersIsUnknown) {
  tagPARAMETERS p = Defaults();
  std::string word(99, 'k');
  EXPECT_EQ(ReadPrm(word + " 17\nend\n", &p, 10), " " + word + " ?( " + word + ":   17)\n");
}

TEST(InputPrmTest, SeedKeyword) {
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(ReadPrm("seed 12345\nend\n", &p, 10), "( seed      : 12345)\n");
  EXPECT_EQ(p.seed, 12345);
}

TEST(InputPrmTest, NonNumericValueReadsAsZero) {
  tagPARAMETERS p = Defaults();
  // "ipcand" takes 0 and "abc" then stands as the next keyword.
  std::string out = ReadPrm("ipcand abc 4\nend\n", &p, 10);
  EXPECT_EQ(p.ipcand, 0);
  EXPECT_EQ(out, "( ipcand    :    0) abc ?( abc       :    4)\n");
}

TEST(InputPrmDeathTest, MissingFileExitsWithStatusOne) {
  ScratchDir dir;
  std::string path = dir.file("absent.prm");
  tagPARAMETERS p = Defaults();
  EXPECT_EXIT(InputPrm(path.c_str(), &p, 10), ::testing::ExitedWithCode(1), "");
}

}  // namespace
