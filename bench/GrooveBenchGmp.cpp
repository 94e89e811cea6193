// The bare corefinement difference of bench_groove over CGAL's standard exact kernel with GMP
// rationals, for comparison only: the program itself uses no GMP.
#include "bench/BareDifference.h"

#include <CGAL/Exact_predicates_exact_constructions_kernel.h>

#ifndef CGAL_USE_GMP
#error "bench_groove_gmp compares with GMP: build it where GMP is found"
#endif

namespace
{

void BareDifference(benchmark::State& state, bool large)
{
  groovebench::BareDifference<CGAL::Exact_predicates_exact_constructions_kernel::Point_3>(
    state, large);
}

} // namespace

BENCHMARK_CAPTURE(BareDifference, gmp_jaw20k, false)
  ->UseManualTime()
  ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareDifference, gmp_jaw250k, true)
  ->UseManualTime()
  ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
