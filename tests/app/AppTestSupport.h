// Checks and small models shared by the main-window tests: a groove that failed, an actor in
// the scene, closed bipyramids, pyramids and boxes, and the bounds of a mesh.
#pragma once

#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QMessageBox>

#include <vtkActor.h>
#include <vtkActorCollection.h>
#include <vtkCellArray.h>
#include <vtkMapper.h>
#include <vtkMath.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>

#include <array>
#include <cmath>
#include <vector>

// A groove that failed: the one "开槽失败" box, the model as it was, the groove still allowed,
// and the window usable again.
inline void ExpectGrooveFailed(MainWindowProbe& probe, const DialogDriver& driver,
  const vtkPolyData* before)
{
  ASSERT_EQ(driver.boxes().size(), 1u);
  ExpectBox(driver.boxes()[0], "错误", "开槽失败", QMessageBox::Warning, &probe.w);
  EXPECT_EQ(probe.model(), before);
  EXPECT_TRUE(probe.grooveAllowed());
  EXPECT_TRUE(probe.w.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Whether the actor is in the renderer's scene.
inline bool InRenderer(vtkRenderer* renderer, vtkActor* actor)
{
  return renderer->GetActors()->IsItemPresent(actor) != 0;
}

// `sides` points on a circle of radius 1 about `centre`, in the plane through it square to z,
// then an apex 1 above the centre (the last point).
inline vtkSmartPointer<vtkPoints> RingAndApex(int sides, const double centre[3])
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int i = 0; i < sides; ++i)
  {
    const double angle = 2.0 * vtkMath::Pi() * i / sides;
    points->InsertNextPoint(centre[0] + std::cos(angle), centre[1] + std::sin(angle), centre[2]);
  }
  points->InsertNextPoint(centre[0], centre[1], centre[2] + 1.0);
  return points;
}

// A closed, outward-facing bipyramid: `sides` points on a circle of radius 1 about `centre`
// and two apexes 1 above and below it, so 2 * `sides` triangles.
inline vtkSmartPointer<vtkPolyData> Bipyramid(int sides, const double centre[3])
{
  const vtkSmartPointer<vtkPoints> points = RingAndApex(sides, centre);
  const vtkIdType top = sides;
  const vtkIdType bottom = points->InsertNextPoint(centre[0], centre[1], centre[2] - 1.0);
  auto triangles = vtkSmartPointer<vtkCellArray>::New();
  for (vtkIdType i = 0; i < sides; ++i)
  {
    const vtkIdType next = (i + 1) % sides;
    const vtkIdType upper[3] = { i, next, top };
    const vtkIdType lower[3] = { next, i, bottom };
    triangles->InsertNextCell(3, upper);
    triangles->InsertNextCell(3, lower);
  }
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->SetPoints(points);
  mesh->SetPolys(triangles);
  return mesh;
}

// A closed, outward-facing pyramid: `sides` points on a circle of radius 1 about `centre`, an
// apex 1 above it and the base closed by a fan, so 2 * `sides` - 2 triangles (a tetrahedron
// for 3).
inline vtkSmartPointer<vtkPolyData> Pyramid(int sides, const double centre[3])
{
  const vtkSmartPointer<vtkPoints> points = RingAndApex(sides, centre);
  const vtkIdType top = sides;
  auto triangles = vtkSmartPointer<vtkCellArray>::New();
  for (vtkIdType i = 0; i < sides; ++i)
  {
    const vtkIdType side[3] = { i, (i + 1) % sides, top };
    triangles->InsertNextCell(3, side);
  }
  for (vtkIdType i = 1; i + 1 < sides; ++i)
  {
    const vtkIdType base[3] = { 0, i + 1, i };
    triangles->InsertNextCell(3, base);
  }
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->SetPoints(points);
  mesh->SetPolys(triangles);
  return mesh;
}

// An axis-aligned box from `low` to `high` as a closed, outward triangle mesh.
inline vtkSmartPointer<vtkPolyData> Box(const std::array<double, 3>& low,
  const std::array<double, 3>& high)
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int k = 0; k < 8; ++k)
  {
    points->InsertNextPoint((k & 1) ? high[0] : low[0], (k & 2) ? high[1] : low[1],
      (k & 4) ? high[2] : low[2]);
  }
  const vtkIdType faces[12][3] = { { 0, 2, 1 }, { 1, 2, 3 }, { 4, 5, 6 }, { 5, 7, 6 },
    { 0, 1, 4 }, { 1, 5, 4 }, { 2, 6, 3 }, { 3, 6, 7 }, { 0, 4, 2 }, { 2, 4, 6 }, { 1, 3, 5 },
    { 3, 7, 5 } };
  auto cells = vtkSmartPointer<vtkCellArray>::New();
  for (const auto& f : faces)
  {
    cells->InsertNextCell(3, f);
  }
  auto box = vtkSmartPointer<vtkPolyData>::New();
  box->SetPoints(points);
  box->SetPolys(cells);
  return box;
}

// An axis-aligned cube of half edge `half` about `centre`.
inline vtkSmartPointer<vtkPolyData> Box(const double centre[3], double half)
{
  return Box({ centre[0] - half, centre[1] - half, centre[2] - half },
    { centre[0] + half, centre[1] + half, centre[2] + half });
}

// Bounds of a polydata.
inline std::vector<double> Bounds(vtkPolyData* mesh)
{
  double b[6];
  mesh->GetBounds(b);
  return { b[0], b[1], b[2], b[3], b[4], b[5] };
}
