// Process-wide via-planning values; they survive a planning call.
#include "driver/records.h"
#include "signalvia/signalvia.h"

double sigvia_size = 25.0;
double size_expand = 0.0;
double lm_upper_bound = kInfinity;
bool ub_change = false;
int flow_total_cap = 0;
int flow_call_ct = 0;
int netbynet_call_ct = 0;
int ct_call = 0;

void ResetViaPlanningState() {
  sigvia_size = 25.0;
  size_expand = 0.0;
  lm_upper_bound = kInfinity;
  ub_change = false;
  flow_total_cap = 0;
  flow_call_ct = 0;
  netbynet_call_ct = 0;
  ct_call = 0;
}
