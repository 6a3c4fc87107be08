#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "design_builder.h"
#include "io/io.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/sequence_fixture.h"
#include "seqpair/tier_state.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::vector<std::string> DirectoryEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs `write` in a child process whose files cannot grow past `limit` bytes,
// as on a full disk; true when the child finished normally.
bool WriteWithFileSizeLimit(rlim_t limit, const std::function<void()>& write) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, fileno(stdout));
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit cap{limit, limit};
    setrlimit(RLIMIT_FSIZE, &cap);
    write();
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Three blocks side by side (10 x 5, 4 x 8, 6 x 6), terminals at the chip's
// lower-left and upper-right corners, three read nets and one added net:
//   1: b1 b2   2: b1 b2 b3 t1   3: b3   4 (added, weight 100): t2 b2
class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEngineState();
    ResetTierState();
    d = std::make_unique<TestDesign>();
    const double sizes[3][2] = {{10, 5}, {4, 8}, {6, 6}};
    for (const auto& s : sizes) d->AddBlock(s[0], s[1]);
    d->AddTerminal(0, 0);
    d->AddTerminal(1, 1);
    d->AddNet({1, 2});
    d->AddNet({1, 2, 3, -1});
    d->AddNet({3});
    d->AddNet({-2, 2}, 100.0);
    d->Finish();
    ntmax0 = 3;
    for (int b = 1; b <= 3; ++b) {
      tagBLOCK* blk = d->blka[b];
      blk->width = sizes[b - 1][0];
      blk->height = sizes[b - 1][1];
      blk->fixed_x_lo = blk->fixed_y_lo = 0;
      blk->fixed_x_hi = blk->fixed_y_hi = 1000;
    }
    tagBLOCK* design = d->design;
    design->width = 25;
    design->height = 10;
    design->region_x_lo = 2;
    design->region_y_lo = 3;
    design->region_x_hi = 25;

    DualSeqInit(&seq, 3, 0);
    seqpair_testing::SetOrder(&seq, {1, 2, 3}, {3, 2, 1});
    levels = std::make_unique<tagLevelList>();
    ClearLevelLists(levels.get());
    BinTreeInit(&btree, 3);
    BinTreeInit(&rtree, 3);
    p_btree = &btree;
    p_rtree = &rtree;

    zarea_all = 118;
    optngap_h = 1.5;
    optngap_v = 0.25;
    inter_layer_vias = 7;
    bt = 1000;
    et = 3500;
    sa_flag = 1;
    tagPARAMETERS& p = d->params;
    p.aspect_ratio = 1.0;
    p.deltac_wgt = 1.0;
    p.deltnt_wgt = 0.5;
    p.deltvia_wgt = 0.25;
    base = dir.file("case");
  }
  void TearDown() override { p_btree = p_rtree = nullptr; }

  std::string Write(int flag, int tiers = 1) {
    InitTierState(tiers);
    CaptureStdout capture;
    OutputCellsForMultiTiers(base.c_str(), flag, d->blka.data(), d->neta.data(), d->pada.data(), nullptr,
                             &seq, levels.get(), d->norm, &d->params, 42);
    return capture.Finish();
  }

  ScratchDir dir;
  std::string base;
  std::unique_ptr<TestDesign> d;
  tagDualSeq seq;
  std::unique_ptr<tagLevelList> levels;
  tagBinTree btree, rtree;
};

TEST_F(WriterTest, OneTierPrintsTheSummaryAndDrawsBlocksAndNetsInTheTierZeroPlot) {
  WriteFile(base + "_layer_0.plt", "old drawing\n");  // replaced, not appended to
  EXPECT_EQ(Write(0),
            "\n"
            " Cell Area=    20.00 x     8.00 (0.0002 mm2)\n"
            " Adjust   = 1.250000 x 1.250000\n"
            "Netlength =    29.50\n"
            "CellGap   =     1.50 +     0.25\n"
            "Grp.div   =    12.00\n"
            "Area usage:118.000000/1/160.000000=0.737500\n");
  const std::string expected =
      "set nokey\n\n\n"
      "plot '-' w l, '-' w l lt 3\n"
      "0 0 0\n0 25 0\n25 25 0\n25 0 0\n0 0 0\n\n\n"
      "3 4 0\n3 7 0\n11 7 0\n11 4 0\n3 4 0\n\n\n"
      "13 4 0\n13 10 0\n15 10 0\n15 4 0\n13 4 0\n\n\n"
      "17 4 0\n17 8 0\n21 8 0\n21 4 0\n17 4 0\n\n\n"
      "\nEOF\n"
      // net 1: two pins, one segment
      " 5  2 \n 12  4 \n\n\n"
      // net 2: four pins joined from left to right, three segments
      " 0  0 \n 5  2 \n\n\n 5  2 \n 12  4 \n\n\n 12  4 \n 17  3 \n\n\n"
      // net 3: one pin, nothing; net 4: one segment
      " 12  4 \n 20  8 \n\n\n"
      "\r\n"
      "EOF\n\n"
      "pause -1 'Press any key'\n"
      "\r\n";
  EXPECT_EQ(ReadFile(base + "_layer_0.plt"), expected);
  EXPECT_FALSE(FileExists(base + "_layer_1.plt"));
  EXPECT_FALSE(FileExists(base + ".txt"));
  EXPECT_EQ(DirectoryEntries(dir.path()), std::vector<std::string>{"case_layer_0.plt"});
}

TEST_F(WriterTest, FinalCallAppendsAnnealingRecords) {
  Write(1);
  const std::string record =
      "\nCircuit:test\n "
      "BlockNo.; NetNo.; Pins; Width vs. Height; Cell Area(mm2); NetArea; Usage; Adjust; "
      "Wire(mm); vias; (all_fix,mov_fix,(wgt_movarea_b,itr_lmt),qp_itrmax) time, ipcand, "
      "deltac_wgt, deltnt_wgt, deltvia_wgt\n"
      "3; 4; 2;    20.00x    8.00;    160.0; (160.00); 1X118.0000; 0.7375; 1.250000x1.250000;   29.50;"
      " (   29.50); 7;(    100,    100,(500,42)300)(50000,100,90,0.85,0.20,500,5,1.00,1,1.00);    2.50; "
      "3; 10000; 5000; 2500; ";
  EXPECT_EQ(ReadFile(base + ".txt"), record);
  Write(1);
  EXPECT_EQ(ReadFile(base + ".txt"), record + record);
}

TEST_F(WriterTest, FailedWritesKeepThePreviousDrawingAndWholeRecords) {
  base = dir.file("missing/case");
  EXPECT_NE(Write(1).find("Warning: Cannot open results file!\n"), std::string::npos);
  EXPECT_TRUE(DirectoryEntries(dir.path()).empty());

  base = dir.file("case");
  const std::string previous = "\nCircuit:case\n an earlier record; ";
  WriteFile(base + "_layer_0.plt", "old drawing\n");
  WriteFile(base + ".txt", previous);
  // Room for part of a record only: what was written is taken back.
  ASSERT_TRUE(WriteWithFileSizeLimit(previous.size() + 40, [&] { Write(1); }));
  EXPECT_EQ(ReadFile(base + "_layer_0.plt"), "old drawing\n");
  EXPECT_EQ(ReadFile(base + ".txt"), previous);
  EXPECT_EQ(DirectoryEntries(dir.path()), (std::vector<std::string>{"case.txt", "case_layer_0.plt"}));
}

}  // namespace
