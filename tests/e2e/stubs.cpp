#include "tests/e2e/probe.h"

void RunDismissalCases(void) {}
void RunPictureCases(void) {}
void RunRobustnessCases(void) {}
void RunSoak(int) {}
void RunMemoryFailureCases(void) {}
