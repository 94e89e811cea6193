// CutLineGenerator turns a gum line on a jaw model into the control points of the closed cut
// line, samples cut-line splines with tool directions, and lays points onto the model surface.
#pragma once

#include "cutline/CutLineRules.h"
#include "cutline/PoseTypes.h"

#include <vtkSmartPointer.h>

#include <cstdint>
#include <vector>

class vtkOBBTree;
class vtkParametricSpline;
class vtkPoints;
class vtkPolyData;
class vtkRenderer;
class vtkStaticCellLocator;

// The split of the working loop into its lingual and buccal sides (loop indices, ascending).
struct LoopPartition
{
  int leftIndex = -1;
  int rightIndex = 0;
  std::vector<int> lingualRange;
  std::vector<int> buccalRange;
};

// A peak or a valley of one side of the working loop.
struct ExtremumItem
{
  int index = 0;
  std::uint8_t isPeak = 0;
  std::uint8_t marked = 0;
};

// Two successive unmarked valleys of one side; the loop is flattened between them.
struct ValleyPair
{
  int first = 0;
  int last = 0;
};

class CutLineGenerator
{
public:
  CutLineGenerator();
  ~CutLineGenerator();
  CutLineGenerator(const CutLineGenerator&) = delete;
  CutLineGenerator& operator=(const CutLineGenerator&) = delete;

  // Cut-line generation: gum line in, control points of the closed cut line out.
  vtkSmartPointer<vtkPoints> GenerateCutLine(vtkSmartPointer<vtkPoints> gumLine,
    double lingualKeep, double buccalKeep, double buccalDrop);

  // Loop partition into the lingual side, the buccal side and the two distal caps.
  void PartitionLoop(vtkSmartPointer<vtkPoints> loop, LoopPartition& partition);

  // Valley pairs of both sides.
  void FindValleyPairs(vtkSmartPointer<vtkPoints> loop, const LoopPartition* partition,
    std::vector<ValleyPair>& lingualPairs, std::vector<ValleyPair>& buccalPairs);
  void FindLingualValleyPairs(vtkSmartPointer<vtkPoints> loop,
    const std::vector<int>& lingualRange, std::vector<ValleyPair>& pairs);
  void FindBuccalValleyPairs(vtkSmartPointer<vtkPoints> loop, const std::vector<int>& buccalRange,
    const std::vector<ExtremumItem>& leftEnd, const std::vector<ExtremumItem>& rightEnd,
    std::vector<ValleyPair>& pairs);
  void CollectRightEndExtrema(vtkSmartPointer<vtkPoints> loop, const LoopPartition* partition,
    std::vector<ExtremumItem>& items);
  std::vector<ExtremumItem> MergeEndExtrema(const std::vector<ExtremumItem>& leftEnd,
    const std::vector<ExtremumItem>& middle, const std::vector<ExtremumItem>& rightEnd);
  void MarkNotchValleys(vtkSmartPointer<vtkPoints> loop, std::vector<ExtremumItem>& items);

  // Flattening between valleys and assembly of the smoothing input.
  void ShrinkTowardChord(ValleyPair pair, vtkSmartPointer<vtkPoints> loop, double keep);
  vtkSmartPointer<vtkPoints> AssembleLoop(vtkSmartPointer<vtkPoints> loop,
    const std::vector<ValleyPair>& lingualPairs, const std::vector<ValleyPair>& buccalPairs,
    const LoopPartition& partition);
  void ResampleIndexWindow(vtkSmartPointer<vtkPoints> loop, int a, int b, std::vector<int>& out);

  // Model locator and projection onto the model along an axis. The projection is the surface
  // crossing within 10 of `q` along the axis that lies furthest along it, or `q` itself when
  // there is none; `hit`, when given, tells which (true: a crossing was found).
  void SetModel(vtkSmartPointer<vtkPolyData> model);
  void SetRenderer(vtkSmartPointer<vtkRenderer> renderer);
  Point3 ProjectAlongAxis(const double q[3], const double axis[3], bool* hit = nullptr);

  // Spline sampling, tool directions and the smoothed, projected cut line.
  static vtkSmartPointer<vtkPoints> ResampleClosedSpline(
    vtkSmartPointer<vtkParametricSpline> spline, double step);
  static void ComputeDirections(
    vtkSmartPointer<vtkPoints> points, int window, std::vector<Point3>& dirs);
  static Point3 InterpolateDirection(const double from[3], const double to[3], int span, int step,
    const double axis180[3]);
  vtkSmartPointer<vtkPoints> RebuildSmoothLoop(vtkSmartPointer<vtkPoints> loop);

  // Pose adjustment for the export, and lowering of the cut line. The adjustment moves each
  // pose at most 0.7 along its tool axis toward the crossing its probe finds; a pose whose
  // side cannot be probed (coincident neighbours, no usable direction) keeps its position. It
  // returns true only when every pose then lies on the model (LiesOnModel), so that a path
  // that is not on the model (no model there, the line far above or below it, the model moved
  // away from it) is told from one that is, whichever crossing each probe found.
  bool AdjustPosesToModel(std::vector<PoseDir>& poses);
  vtkSmartPointer<vtkPoints> MoveDown(vtkSmartPointer<vtkParametricSpline> spline, double delta);

  // Whether the model's surface comes within 1.5 of `p` (the distance to its nearest point);
  // false without a model and for a point that is not finite. The search structure is built
  // on the first call for a model and kept while SetModel keeps the model.
  bool LiesOnModel(const Point3& p);

  // The copy of the jaw model that the cut line is laid on (null until SetModel).
  vtkSmartPointer<vtkPolyData> Model;
  // Kept for the caller; the cut-line computations never draw.
  vtkSmartPointer<vtkRenderer> Renderer;
  // Locator over Model, rebuilt by every SetModel; every projection goes through it.
  vtkSmartPointer<vtkOBBTree> ModelTree;
  // How far the buccal side of the assembled loop is lowered in z.
  double BuccalDrop;

private:
  // The fit of AdjustPosesToModel, without its verdict.
  void FitPosesToModel(std::vector<PoseDir>& poses);

  // Nearest-point search over Model for LiesOnModel; null until its first call for a model.
  vtkSmartPointer<vtkStaticCellLocator> SurfaceLocator;
};
