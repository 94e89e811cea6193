// Drawing and picking of the cut-line editing widget: the spline, its handles, the drag step
// onto the model, and the offset line laid on the model beside the spline.
#include "widgets/contourRepresentation.h"

#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "geometry/FastOBBTree.h"
#include "widgets/RepresentationActors.h"

#include <vtkActor.h>
#include <vtkAssembly.h>
#include <vtkAssemblyNode.h>
#include <vtkAssemblyPath.h>
#include <vtkCellPicker.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkObjectFactory.h>
#include <vtkParametricFunctionSource.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderer.h>

#include <cmath>

vtkStandardNewMacro(contourRepresentation);

namespace
{

// Sample spacing along the spline, the window of the direction pass, and how many samples
// apart the offset points are.
constexpr double kSampleSpacing = CutLineRules::kSampleSpacing;
const int kDirectionWindow = CutLineRules::DirectionWindow(kSampleSpacing);
const int kOffsetStride = static_cast<int>(0.2 / kSampleSpacing + 0.5);
// The offset line lies the probe's distance beside the cut line, and is lifted this far off
// the model.
constexpr double kOffsetDistance = CutLineRules::kProbeOffset;
constexpr double kLift = 0.05;
// Reach of the offset-line projection beyond and behind the probe along the tool axis.
constexpr double kReachOut = 10.0;
constexpr double kReachBack = 0.5;
// Spline drawing samples per control point.
constexpr int kSamplesPerPoint = 50;

void SetUnitDifference(const double to[3], const double from[3], double out[3])
{
  out[0] = to[0] - from[0];
  out[1] = to[1] - from[1];
  out[2] = to[2] - from[2];
  vtkMath::Normalize(out);
}

// The tool axis at a cut-line sample: tilted from the sample's direction, made unit first.
void ToolAxisAt(const Point3& d, double axis[3])
{
  double direction[3] = { d.x, d.y, d.z };
  vtkMath::Normalize(direction);
  TiltedToolAxis(direction, axis);
}

// The unit side across the closed cut line at sample `i` of `n`, square to the tool axis and
// to the tangent through the two neighbouring samples; `flip` turns it to the other side.
void SideAcross(
  vtkPoints* samples, vtkIdType i, vtkIdType n, const double axis[3], bool flip, double side[3])
{
  double before[3];
  double after[3];
  samples->GetPoint((i + 1) % n, after);
  samples->GetPoint((i + n - 1) % n, before);
  double tangent[3];
  SetUnitDifference(after, before, tangent);

  vtkMath::Cross(axis, tangent, side);
  vtkMath::Normalize(side);
  if (flip)
  {
    side[0] = -side[0];
    side[1] = -side[1];
    side[2] = -side[2];
  }
}

// Folds the crossings of one query (none when it answered 0) into the search for the one nearest
// to `farEnd`; returns how many it had.
vtkIdType FoldNearest(int answer, vtkPoints* crossings, const double farEnd[3],
  double& bestDistance, double best[3])
{
  if (answer == 0)
  {
    return 0;
  }
  const vtkIdType count = crossings->GetNumberOfPoints();
  for (vtkIdType i = 0; i < count; ++i)
  {
    double x[3];
    crossings->GetPoint(i, x);
    const double distance = std::sqrt(vtkMath::Distance2BetweenPoints(x, farEnd));
    if (distance < bestDistance)
    {
      bestDistance = distance;
      best[0] = x[0];
      best[1] = x[1];
      best[2] = x[2];
    }
  }
  return count;
}

// A mapper with no geometry: the actor that takes it shows nothing.
vtkSmartPointer<vtkPolyDataMapper> DrawNothing()
{
  auto mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
  mapper->SetInputData(vtkSmartPointer<vtkPolyData>::New());
  return mapper;
}

} // namespace

contourRepresentation::contourRepresentation()
  : Generator(nullptr)
  , HandlePicker(vtkSmartPointer<vtkCellPicker>::New())
  , SurfacePicker(vtkSmartPointer<vtkCellPicker>::New())
  , ActiveHandle(-1)
  , CrossingPoints(vtkSmartPointer<vtkPoints>::New())
  , CrossingCells(vtkSmartPointer<vtkIdList>::New())
  , ReverseCrossingPoints(vtkSmartPointer<vtkPoints>::New())
  , ReverseCrossingCells(vtkSmartPointer<vtkIdList>::New())
{
}

contourRepresentation::~contourRepresentation() = default;

void contourRepresentation::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
}

void contourRepresentation::SetPoints(vtkSmartPointer<vtkPoints> points)
{
  this->Points = points;
}

void contourRepresentation::SetModelActor(vtkSmartPointer<vtkActor> actor)
{
  this->ModelActor = actor;
}

vtkSmartPointer<vtkParametricSpline> contourRepresentation::GetSpline()
{
  return this->Spline;
}

vtkIdType contourRepresentation::PointCount() const
{
  return this->Points ? this->Points->GetNumberOfPoints() : 0;
}

vtkSmartPointer<vtkPolyDataMapper> contourRepresentation::NewSplineMapper()
{
  const vtkIdType n = this->PointCount();
  this->Spline = vtkSmartPointer<vtkParametricSpline>::New();
  this->Spline->SetPoints(this->Points);
  this->Spline->SetParameterizeByLength(1);
  this->Spline->ClosedOn();

  if (n < 2)
  {
    // No cut line: nothing to draw, and the spline is never evaluated (with no points VTK
    // would report an error).
    return DrawNothing();
  }
  vtkNew<vtkParametricFunctionSource> source;
  source->SetParametricFunction(this->Spline);
  const int resolution = static_cast<int>(kSamplesPerPoint * n);
  source->SetUResolution(resolution);
  source->SetVResolution(resolution);
  source->SetWResolution(resolution);
  source->Update();
  auto mapper = vtkSmartPointer<vtkPolyDataMapper>::New();
  mapper->SetInputData(source->GetOutput());
  return mapper;
}

void contourRepresentation::Rebuild()
{
  this->ActiveHandle = -1;
  this->BuildSplineActor();

  for (vtkCellPicker* picker : { this->HandlePicker.Get(), this->SurfacePicker.Get() })
  {
    picker->InitializePickList();
    picker->SetTolerance(0.001);
    picker->PickFromListOn();
  }
  // The spline and the model are in the handle pick list so that a handle hidden behind
  // them, as seen from the camera, is not the nearest hit and cannot be grabbed.
  if (this->SplineActor)
  {
    this->HandlePicker->AddPickList(this->SplineActor);
  }
  if (this->ModelActor)
  {
    this->HandlePicker->AddPickList(this->ModelActor);
    this->SurfacePicker->AddPickList(this->ModelActor);
  }

  this->BuildHandles();
  if (this->HandleAssembly)
  {
    for (const auto& handle : this->Handles)
    {
      this->HandlePicker->AddPickList(handle);
    }
  }
}

void contourRepresentation::BuildSplineActor()
{
  vtkSmartPointer<vtkPolyDataMapper> mapper = this->NewSplineMapper();
  this->SplineActor = NewSplineActor();
  this->SplineActor->SetMapper(mapper);
}

void contourRepresentation::BuildHandles()
{
  this->HandleAssembly = vtkSmartPointer<vtkAssembly>::New();
  this->Handles.clear();
  const vtkIdType n = this->PointCount();
  if (n < 2)
  {
    // No cut line, so nothing to reshape.
    return;
  }
  this->Handles.reserve(static_cast<size_t>(n));
  for (vtkIdType i = 0; i < n; ++i)
  {
    vtkSmartPointer<vtkActor> handle = NewHandleActor(this->Points->GetPoint(i));
    this->Handles.push_back(handle);
    this->HandleAssembly->AddPart(handle);
  }
}

int contourRepresentation::ComputeInteractionState(int X, int Y, int /*modify*/)
{
  if (!this->Renderer || !this->Renderer->IsInViewport(X, Y))
  {
    this->InteractionState = 0;
    return 0;
  }

  this->InteractionState = 0;
  this->ModelLocator.Serve(this->HandlePicker, this->ModelActor);
  vtkAssemblyPath* path = this->GetAssemblyPath(X, Y, 0.0, this->HandlePicker);
  if (path)
  {
    vtkCollectionSimpleIterator it;
    path->InitTraversal(it);
    while (vtkAssemblyNode* node = path->GetNextNode(it))
    {
      vtkProp* prop = node->GetViewProp();
      for (size_t i = 0; i < this->Handles.size(); ++i)
      {
        if (this->Handles[i] && prop == this->Handles[i].Get())
        {
          this->SelectedHandle = this->Handles[i];
          this->ActiveHandle = static_cast<int>(i);
          this->InteractionState = 1;
        }
      }
    }
  }
  return this->InteractionState;
}

void contourRepresentation::StartWidgetInteraction(double eventPos[2])
{
  this->ComputeInteractionState(static_cast<int>(eventPos[0]), static_cast<int>(eventPos[1]), 0);
}

void contourRepresentation::WidgetInteraction(double eventPos[2])
{
  if (!this->SelectedHandle || !this->Renderer)
  {
    return;
  }
  this->ModelLocator.Serve(this->SurfacePicker, this->ModelActor);
  this->SurfacePicker->Pick(eventPos[0], eventPos[1], 0.0, this->Renderer);
  // Off the model the handle stays at its last position on the surface.
  if (this->SurfacePicker->GetCellId() < 0 || this->SurfacePicker->GetActor() != this->ModelActor ||
    this->ActiveHandle == -1 || this->ActiveHandle >= this->PointCount())
  {
    return;
  }
  this->Points->SetPoint(this->ActiveHandle, this->SurfacePicker->GetPickPosition());
  this->Points->Modified();
  this->BuildRepresentation();
  this->Modified();
}

void contourRepresentation::BuildRepresentation()
{
  const vtkIdType n = this->PointCount();
  if (this->HandleAssembly && this->ActiveHandle != -1 &&
    this->ActiveHandle < static_cast<int>(this->Handles.size()) && this->ActiveHandle < n)
  {
    this->Handles[static_cast<size_t>(this->ActiveHandle)]->SetPosition(
      this->Points->GetPoint(this->ActiveHandle));
  }

  if (this->SplineActor)
  {
    this->SplineActor->SetMapper(this->NewSplineMapper());
    this->BuildOffsetLine(false);
  }
}

void contourRepresentation::Highlight(int highlight)
{
  if (this->HandleAssembly)
  {
    vtkNew<vtkPropCollection> actors;
    this->HandleAssembly->GetActors(actors);
    actors->InitTraversal();
    while (vtkProp* prop = actors->GetNextProp())
    {
      if (auto* actor = vtkActor::SafeDownCast(prop))
      {
        actor->GetProperty()->SetDiffuse(0.8);
        actor->GetProperty()->SetSpecular(0.5);
        actor->GetProperty()->SetColor(1.0, 0.0, 0.0);
      }
    }
  }

  if (highlight && this->SelectedHandle && this->InteractionState == 1)
  {
    this->SelectedHandle->GetProperty()->SetDiffuse(1.0);
    this->SelectedHandle->GetProperty()->SetSpecular(0.0);
    this->SelectedHandle->GetProperty()->SetColor(0.0, 0.0, 1.0);
  }
}

void contourRepresentation::GetActors(vtkPropCollection* props)
{
  if (!props)
  {
    return;
  }
  if (this->HandleAssembly)
  {
    props->AddItem(this->HandleAssembly);
  }
  if (this->SplineActor)
  {
    props->AddItem(this->SplineActor);
  }
  if (this->OffsetLineActor)
  {
    props->AddItem(this->OffsetLineActor);
  }
}

void contourRepresentation::PlaceWidget(double /*bounds*/[6])
{
}

void contourRepresentation::BuildOffsetLine(bool flip)
{
  vtkPoints* control = this->Spline ? this->Spline->GetPoints() : nullptr;
  if (!control || control->GetNumberOfPoints() < 2)
  {
    // No cut line, so no line beside it either: an earlier one must not stay on show.
    if (this->OffsetLineActor)
    {
      this->OffsetLineActor->SetMapper(DrawNothing());
    }
    return;
  }

  vtkSmartPointer<vtkPoints> samples =
    CutLineGenerator::ResampleClosedSpline(this->Spline, kSampleSpacing);
  this->Directions.clear();
  CutLineGenerator::ComputeDirections(samples, kDirectionWindow, this->Directions);

  vtkSmartPointer<vtkPoints> offset = this->OffsetPoints(samples, flip);
  if (offset->GetNumberOfPoints() < 2)
  {
    // Too short a spline for directions: the previous line, if any, stays.
    return;
  }
  this->ShowOffsetLine(offset);
}

vtkSmartPointer<vtkPoints> contourRepresentation::OffsetPoints(vtkPoints* samples, bool flip)
{
  const auto n = static_cast<vtkIdType>(this->Directions.size());
  auto offset = vtkSmartPointer<vtkPoints>::New();
  offset->Allocate(n / kOffsetStride + 1);
  for (vtkIdType i = 0; i < n; i += kOffsetStride)
  {
    double sample[3];
    samples->GetPoint(i, sample);
    double axis[3];
    ToolAxisAt(this->Directions[static_cast<size_t>(i)], axis);
    double side[3];
    SideAcross(samples, i, n, axis, flip, side);

    const double probe[3] = { sample[0] + kOffsetDistance * side[0],
      sample[1] + kOffsetDistance * side[1], sample[2] + kOffsetDistance * side[2] };
    const Point3 r = this->ProjectAlongDirection(sample, probe, axis);
    offset->InsertNextPoint(
      r.x + kLift * axis[0], r.y + kLift * axis[1], r.z + kLift * axis[2]);
  }
  return offset;
}

void contourRepresentation::ShowOffsetLine(vtkPoints* offset)
{
  vtkNew<vtkPolyData> line;
  line->SetPoints(offset);
  line->SetLines(ClosedLoopSegments(offset->GetNumberOfPoints()));
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputData(line);

  if (!this->OffsetLineActor)
  {
    this->OffsetLineActor = vtkSmartPointer<vtkActor>::New();
    this->OffsetLineActor->GetProperty()->SetColor(0.0, 0.0, 0.0);
    this->OffsetLineActor->GetProperty()->SetLineWidth(7.0);
  }
  this->OffsetLineActor->SetMapper(mapper);
}

Point3 contourRepresentation::ProjectAlongDirection(
  const double p[3], const double q[3], const double a[3])
{
  const Point3 unchanged{ q[0], q[1], q[2] };
  if (!this->Generator || !this->Generator->ModelTree)
  {
    return unchanged;
  }

  double farEnd[3];
  double behindProbe[3];
  for (int k = 0; k < 3; ++k)
  {
    farEnd[k] = q[k] + kReachOut * a[k];
    behindProbe[k] = q[k] - kReachBack * a[k];
  }

  // The crossings of both query directions are searched in the order they are reported; a
  // crossing replaces the best only when strictly nearer to the far end.
  double bestDistance = 1e299;
  double best[3] = { q[0], q[1], q[2] };
  vtkIdType found = this->CollectNearest(behindProbe, farEnd, farEnd, bestDistance, best);
  if (found == 0)
  {
    // The axis line misses the model: try the stretch from the sample to the probe, moved
    // back along the axis as far as the axis line starts behind the probe.
    double behindSample[3];
    for (int k = 0; k < 3; ++k)
    {
      behindSample[k] = p[k] - kReachBack * a[k];
    }
    found += this->CollectNearest(behindSample, behindProbe, farEnd, bestDistance, best);
  }
  if (found == 0)
  {
    return unchanged;
  }
  return Point3{ best[0], best[1], best[2] };
}

vtkIdType contourRepresentation::CollectNearest(const double from[3], const double to[3],
  const double farEnd[3], double& bestDistance, double best[3])
{
  const BothWaysResult found = IntersectWithLineBothWays(this->Generator->ModelTree, from, to,
    this->CrossingPoints, this->CrossingCells, this->ReverseCrossingPoints,
    this->ReverseCrossingCells);
  const vtkIdType forward =
    FoldNearest(found.forward, this->CrossingPoints, farEnd, bestDistance, best);
  return forward +
    FoldNearest(found.backward, this->ReverseCrossingPoints, farEnd, bestDistance, best);
}
