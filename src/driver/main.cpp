#include "driver/driver.h"

int main(int argc, char** argv) { return RunTierplan(argc, argv); }
