#include <cstdio>

#include "driver/driver.h"

int main(int argc, char** argv) {
  // Progress lines reach a log as they are printed, even when a run is cut short.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  return RunTierplan(argc, argv);
}
