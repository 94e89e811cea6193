// Cuts the T-slot groove into a jaw model by exact boolean difference with the cutter body,
// and converts between VTK triangle meshes and the exact meshes the difference works on.
#pragma once

#include <vtkSmartPointer.h>

class vtkPolyData;

// Made on the stack for one groove action; holds no state. Every operation reports its
// progress on standard output and its problems on standard error, and none of them throws.
class MeshBooleanTool
{
public:
  // An exact surface mesh (CGAL's Surface_mesh over the exact lazy kernel). Its definition is
  // in geometry/ExactMesh.h, so that only code compiled with CGAL sees CGAL.
  struct ExactMesh;

  // Fills the empty `target` with the triangles of `source` (other cells are skipped with a
  // warning), orienting the triangle soup first. True when the mesh is not empty.
  bool VtkToCgal(vtkPolyData* source, ExactMesh& target) const;
  // Replaces the points and triangle cells of `target` by the live vertices and triangular
  // faces of `source`, in single precision. False only for a null target (or an exception).
  bool CgalToVtk(const ExactMesh& source, vtkPolyData* target) const;

  // `jaw` minus `groove` into `out`: `jaw` is replaced by its triangulated copy, `groove` is
  // only read, and `out` receives the result's points and triangles on success.
  // Method 1 removes degenerate faces and isolated vertices, triangulates and orients the
  // model outward before the difference.
  bool CutGrooveMethod1(vtkSmartPointer<vtkPolyData>& jaw,
    const vtkSmartPointer<vtkPolyData>& groove, vtkSmartPointer<vtkPolyData>& out) const;
  // Method 2 refines the model's self-intersections away (at most five passes) instead; a
  // model with far too many of them is refused.
  bool CutGrooveMethod2(vtkSmartPointer<vtkPolyData>& jaw,
    const vtkSmartPointer<vtkPolyData>& groove, vtkSmartPointer<vtkPolyData>& out) const;

  // Reverses every face when the closed mesh is not outward oriented. False only when the
  // library threw.
  bool CheckOrientation(ExactMesh& mesh) const;
  // `resultMesh` = `jawMesh` minus `grooveMesh`; both inputs are corefined in place. True when
  // the difference was computed and is not empty.
  bool BooleanDifference(ExactMesh& jawMesh, ExactMesh& grooveMesh, ExactMesh& resultMesh) const;
  // Where the cutter body lies against the model, told from their triangles exactly as they
  // are stored (exact predicates on the coordinates, no exact meshes: little time beside the
  // difference). Reports Apart on standard error.
  enum class CutterPlacement
  {
    // A triangle of the cutter touches one of the model; or a mesh holds no triangle, or
    // cells that are not triangles, for the methods to report: the difference decides.
    Meets,
    // Nothing touches, and the cutter reaches beyond the model's bounds, so it lies outside
    // the model or holds it whole: the difference takes nothing from the model, or all of it.
    Apart,
    // Nothing touches, but the cutter lies within the model's bounds: inside the model,
    // which the difference hollows out, or in a gap of it, where it takes nothing.
    Within,
  };
  CutterPlacement PlaceCutter(vtkPolyData* jaw, vtkPolyData* groove) const;
  // Whether `mesh` holds a point of `groove` (compared in single precision, as the results are
  // stored). After a difference with a cutter that lies Within, it does exactly when the
  // cutter's surface became part of the result, that is when the model was hollowed out.
  bool HoldsPointOf(vtkPolyData* mesh, vtkPolyData* groove) const;

  // Removes degenerate faces and isolated vertices, then splits intersecting triangles along
  // their intersections, at most five times. False when the library threw, or when far too
  // many triangles cross (more than 500 pairs, as two overlapping shells give) to be refined
  // in reasonable time: then nothing is refined.
  bool RepairSelfIntersections(ExactMesh& mesh) const;
};
