// The model tree on the full-size jaws. The build with each caller's settings on the 250k and
// the 1M jaw: FastOBBTree with VTK's own vtkOBBTree::BuildLocator (build:0, as before) against
// its own build on 1 and 8 threads (build:1, build:8), the query index included in each. Then
// one segment query of each caller, with the segments that caller casts, on VTK's own
// vtkOBBTree (tree:0) against FastOBBTree (tree:1).
#include "bench/LargeJaw.h"
#include "cutline/CutLineGenerator.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SmpThreads.h"

#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

using bench::Jaw;

struct Segment
{
  double from[3];
  double to[3];
};

// The three callers and the tree settings they build with.
enum Caller
{
  CutLine,   // the generator's projections and the offset line: 8 cells per node
  Frame,     // the base-plane search: at most 15 levels
  Collision, // the collision check: 50 cells per node
};

// A tree over `mesh` with the caller's settings: FastOBBTree or VTK's own vtkOBBTree, built by
// VTK's own BuildLocator (buildThreads 0) or by FastOBBTree's with VTK's parallel tools
// limited to that many threads.
vtkSmartPointer<vtkOBBTree> BuildTree(
  Caller caller, vtkPolyData* mesh, bool fast, int buildThreads = 8)
{
  UseBaseOBBTree(!fast);
  vtkSmartPointer<vtkOBBTree> tree = NewModelTree();
  UseBaseOBBTree(false);
  tree->SetDataSet(mesh);
  if (caller == CutLine)
  {
    tree->SetNumberOfCellsPerNode(8);
  }
  if (caller == Collision)
  {
    tree->SetNumberOfCellsPerNode(50);
  }
  tree->SetMaxLevel(caller == Frame ? 15 : 1000000);
  tree->SetTolerance(1e-6);
  tree->AutomaticOn();
  UseBaseOBBTreeBuild(buildThreads == 0);
  testsupport::WithSmpThreads(std::max(buildThreads, 1), [&] { tree->BuildLocator(); });
  UseBaseOBBTreeBuild(false);
  return tree;
}

vtkSmartPointer<vtkOBBTree> BuildTree(Caller caller, bool fast)
{
  return BuildTree(caller, Jaw().mesh, fast);
}

// The cut line of the jaw's gum line, sampled every 0.1 with directions.
const std::vector<PoseDir>& Poses()
{
  static const std::vector<PoseDir> poses = [] {
    CutLineGenerator generator;
    generator.SetModel(Jaw().mesh);
    return cutlinetest::SampledPoses(
      cutlinetest::ClosedSpline(generator.RebuildSmoothLoop(bench::GumLinePoints())));
  }();
  return poses;
}

void Along(const Point3& p, const double axis[3], double from, double to, Segment& s)
{
  const double origin[3] = { p.x, p.y, p.z };
  for (int k = 0; k < 3; ++k)
  {
    s.from[k] = origin[k] + from * axis[k];
    s.to[k] = origin[k] + to * axis[k];
  }
}

// The segments each caller casts: the projection's outer half (10 beyond the point down to it),
// the offset line's probe line (0.5 behind to 10 beyond), the base-plane rows (vertical rays
// every 0.1 along the jaw's two long axes, from one height above down to the middle) and the
// cutter outline (16 lines beside the tilted tool axis at each pose).
std::vector<Segment> Segments(const char* which)
{
  std::vector<Segment> segments;
  const std::string kind = which;
  if (kind == "frame")
  {
    double b[6];
    Jaw().mesh->GetBounds(b);
    const double c[3] = { 0.5 * (b[0] + b[1]), 0.5 * (b[2] + b[3]), 0.5 * (b[4] + b[5]) };
    const double height = b[5] - b[4];
    for (int along = 0; along < 2; ++along)
    {
      const double length = b[2 * along + 1] - b[2 * along];
      for (double t = 0.0; t < length; t += 0.1)
      {
        Segment s{};
        for (int k = 0; k < 3; ++k)
        {
          s.from[k] = c[k];
        }
        s.from[along] = b[2 * along] + t;
        s.from[2] = c[2] - height;
        std::copy(s.from, s.from + 3, s.to);
        s.to[2] = c[2];
        segments.push_back(s);
      }
    }
    return segments;
  }
  for (const PoseDir& pose : Poses())
  {
    const double d[3] = { pose.direction.x, pose.direction.y, pose.direction.z };
    double axis[3];
    TiltedToolAxis(d, axis);
    Segment s{};
    if (kind == "projection")
    {
      Along(pose.point, axis, 10.0, 0.0, s);
      segments.push_back(s);
    }
    else if (kind == "offset")
    {
      Along(pose.point, axis, -0.5, 10.0, s);
      segments.push_back(s);
    }
    else
    {
      double side[3] = { -d[1], d[0], 0.0 };
      double up[3];
      vtkMath::Cross(axis, side, up);
      for (int r = 0; r < 8; ++r)
      {
        const double angle = r * vtkMath::Pi() / 4.0;
        for (const auto& [radius, first, last] :
          { std::tuple<double, double, double>{ 1.175, 5.0, 15.0 }, { 0.6, 1.0, 5.0 } })
        {
          Point3 beside = pose.point;
          const double c = radius * std::cos(angle);
          const double sn = radius * std::sin(angle);
          beside.x += c * side[0] + sn * up[0];
          beside.y += c * side[1] + sn * up[1];
          beside.z += c * side[2] + sn * up[2];
          Along(beside, axis, first, last, s);
          segments.push_back(s);
        }
      }
    }
  }
  return segments;
}

void BM_BuildTree(benchmark::State& state)
{
  const auto caller = static_cast<Caller>(state.range(0));
  vtkPolyData* mesh = state.range(1) == 0 ? Jaw().mesh : bench::MillionJaw().mesh;
  const auto buildThreads = static_cast<int>(state.range(2));
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(BuildTree(caller, mesh, true, buildThreads));
  }
  state.SetLabel(caller == CutLine ? "cut line" : caller == Frame ? "frame" : "collision");
  state.counters["triangles"] = static_cast<double>(mesh->GetNumberOfCells());
}
BENCHMARK(BM_BuildTree)
  ->ArgNames({ "caller", "million", "build" })
  ->ArgsProduct({ { CutLine, Frame, Collision }, { 0, 1 }, { 0, 1, 8 } })
  ->Unit(benchmark::kMillisecond);

void Query(benchmark::State& state, Caller caller, const char* which)
{
  const vtkSmartPointer<vtkOBBTree> tree = BuildTree(caller, state.range(0) != 0);
  const std::vector<Segment> segments = Segments(which);
  vtkNew<vtkPoints> points;
  vtkNew<vtkIdList> cells;
  size_t i = 0;
  for (auto _ : state)
  {
    const Segment& s = segments[i++ % segments.size()];
    benchmark::DoNotOptimize(tree->IntersectWithLine(s.from, s.to, points, cells));
  }
  state.counters["segments"] = static_cast<double>(segments.size());
}

void BM_QueryProjection(benchmark::State& state)
{
  Query(state, CutLine, "projection");
}
void BM_QueryOffsetLine(benchmark::State& state)
{
  Query(state, CutLine, "offset");
}
void BM_QueryFrameRow(benchmark::State& state)
{
  Query(state, Frame, "frame");
}
void BM_QueryCollision(benchmark::State& state)
{
  Query(state, Collision, "collision");
}
BENCHMARK(BM_QueryProjection)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryOffsetLine)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryFrameRow)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryCollision)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Both directions of the projection's segment: two queries, or one traversal on FastOBBTree.
void BM_QueryProjectionBothWays(benchmark::State& state)
{
  const vtkSmartPointer<vtkOBBTree> tree = BuildTree(CutLine, state.range(0) != 0);
  const std::vector<Segment> segments = Segments("projection");
  vtkNew<vtkPoints> forward;
  vtkNew<vtkPoints> backward;
  vtkNew<vtkIdList> forwardCells;
  vtkNew<vtkIdList> backwardCells;
  size_t i = 0;
  for (auto _ : state)
  {
    const Segment& s = segments[i++ % segments.size()];
    benchmark::DoNotOptimize(IntersectWithLineBothWays(
      tree, s.from, s.to, forward, forwardCells, backward, backwardCells));
  }
}
BENCHMARK(BM_QueryProjectionBothWays)
  ->ArgName("tree")
  ->Arg(0)
  ->Arg(1)
  ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
