// CoordinateAligner brings a jaw model into the working frame: it finds the frame from the
// model's flat base, or from two points picked on its underside, as a vtkTransform.
#pragma once

#include <vtkSmartPointer.h>
#include <vtkType.h>

#include <vector>

class vtkIdList;
class vtkOBBTree;
class vtkPolyData;
class vtkTransform;

// A ray that met the model: the point where it met it and the triangle it met.
struct Hit
{
  double p[3];
  vtkIdType cell;
};

// One finite ray of a search row, cast from start toward end.
struct Segment
{
  double start[3];
  double end[3];
};

// Triangles that share one plane: the unit normal and offset (normal . p) of the first of them.
struct PlaneGroup
{
  double normal[3];
  double d;
  std::vector<vtkIdType> cells;
};

// The frame transform: maps a point p to R (p - origin), where the rows of R are x, y and
// unit(x cross y). x and y are used as given.
vtkSmartPointer<vtkTransform> MakeFrameTransform(
  const double origin[3], const double x[3], const double y[3]);

// Divides v in place by its length, copies it into out and returns out. v must not be zero.
double* NormalizeCopy(double v[3], double out[3]);

// Short-lived: made around a copy of the model for one transform. In the working frame the
// base lies on z = 0 with the model on +z, the plane x = 0 passes through the bounding-box
// centre and splits the arch into its halves, and the arch's open ends point toward +y.
class CoordinateAligner
{
public:
  explicit CoordinateAligner(vtkSmartPointer<vtkPolyData> mesh);
  ~CoordinateAligner();
  CoordinateAligner(const CoordinateAligner&) = delete;
  CoordinateAligner& operator=(const CoordinateAligner&) = delete;

  // The frame from the model's base. Always returns a transform and writes *ok: true with
  // the frame, false with an identity transform (no model, under 10 points, no base found).
  vtkSmartPointer<vtkTransform> ComputeTransform(bool* ok);

  // The frame from two points picked on the base (model coordinates): the base plane is the
  // plane of the first point's triangle, x runs along the pair and y points toward its
  // midpoint, away from the front. Null when a point is not on the model or the two coincide.
  vtkSmartPointer<vtkTransform> ComputeTransformFromPoints(const double p1[3], const double p2[3]);

protected:
  // The steps of the automatic frame, protected so that tests can drive them one by one.

  // Finds the base plane by rays along the height axis; on success writes the unit normal
  // pointing into the model and the bounding-box centre dropped onto the plane.
  bool FitBasePlane(double normal[3], double origin[3]);
  // Casts a row of rays; accepts each first hit on a not yet used triangle that faces along
  // the reference direction (within 30 degrees, either sense) and has two coplanar neighbours.
  void ProjectSegments(const std::vector<Segment>& row, const double referenceDirection[3],
    vtkOBBTree* locator, vtkIdList* usedCells, std::vector<Hit>& hits);
  // The inward unit normal of a triangle, from the cache of the running ProjectSegments call.
  bool CachedCellNormal(vtkIdType cellId, double normal[3]);
  // Groups the candidate triangles by plane and puts the largest group into bottomCells.
  void FindLargestPlanarGroup(
    vtkIdList* candidates, double normalTol, double offsetTol, vtkIdList* bottomCells);
  // The unit in-plane axes from the winning search rows (hitsA, hitsB), or from the model's
  // long and middle axes turned into the base plane when a row has fewer than two hits.
  void ComputeInPlaneAxes(double x[3], double y[3]);

  vtkSmartPointer<vtkPolyData> mesh;
  double planeOrigin[3] = { 0.0, 0.0, 0.0 };
  double planeNormal[3] = { 0.0, 0.0, 1.0 };
  double axes[3][3] = { { 1.0, 0.0, 0.0 }, { 0.0, 1.0, 0.0 }, { 0.0, 0.0, 1.0 } };
  double extent[3] = { 0.0, 0.0, 0.0 };
  double bounds[6] = { 0.0, 0.0, 0.0, 0.0, 0.0, 0.0 };
  int heightAxis = 2;
  int longAxis = 0;
  int midAxis = 1;
  // Accepted hits on the base of the winning search pass: the row along the long axis and
  // the row along the middle axis, each in row order.
  std::vector<Hit> hitsA;
  std::vector<Hit> hitsB;

private:
  struct NormalCache;
  struct SearchPass;

  // One pass of the base-plane search (side -1 from below, +1 from above): the long and the
  // middle row toward the centre's level, the middle row again beside the centre when it met
  // nothing.
  void CastPass(double side, const double c[3], vtkOBBTree* locator, SearchPass& pass);
  // True when enough of the triangle's edge neighbours lie in its plane (normal n).
  bool LiesInFlatPatch(const std::vector<vtkIdType>& neighbours, const double n[3]);

  // The normal cache of the running ProjectSegments call; null outside it.
  NormalCache* normalCache = nullptr;
};
