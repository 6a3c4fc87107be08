// Process-wide via-planning values; they survive a planning call.
#include "driver/records.h"
#include "signalvia/signalvia.h"

double sigvia_size = 25.0;
double size_expand = 0.0;
double lm_upper_bound = kInfinity;
bool ub_change = false;
int ct_call = 0;
std::unordered_map<std::string, std::string> report_lines;

void ResetViaPlanningState() {
  sigvia_size = 25.0;
  size_expand = 0.0;
  lm_upper_bound = kInfinity;
  ub_change = false;
  ResetFlowCounters();
  ResetNetByNetCounter();
  ct_call = 0;
  report_lines.clear();
}
