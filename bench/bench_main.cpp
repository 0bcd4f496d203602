// The one entry point of the benchmark binary; every other file here only
// registers benchmarks.
#include "bench.h"

BENCHMARK_MAIN();
