// The one entry point of the benchmark program; the benchmarks themselves
// live in the other files of this folder and register with BENCHMARK().
#include "bench.h"

BENCHMARK_MAIN();
