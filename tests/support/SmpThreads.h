// Runs a step with VTK's parallel tools (vtkSMPTools) limited to a number of threads, for the
// tests and benchmarks that compare or time parallel work at given thread counts.
#pragma once

#include <vtkSMPTools.h>

namespace testsupport
{

// Runs step() with vtkSMPTools limited to `threads` threads, then restores VTK's setting.
// VTK 9.1's TBB back end skips a limit equal to the one it held before its last reset (it
// compares with the count it remembers, not with its live task arena), so a second run at the
// same count would go on all cores: the scope first sets another count, which the inner one
// then always replaces.
template <class Step>
void WithSmpThreads(int threads, Step&& step)
{
  vtkSMPTools::LocalScope(vtkSMPTools::Config{ threads == 1 ? 2 : 1 },
    [&] { vtkSMPTools::LocalScope(vtkSMPTools::Config{ threads }, step); });
}

} // namespace testsupport
