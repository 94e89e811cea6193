// Writes the two fixed bodies shown beside the jaw model, as ASCII STL files in the folder
// given as the only argument (default: the current folder): "cross_2.2.stl", the T-slot
// cutter, and "baseplate1.stl", the plate the model stands on, of the dimensions in
// data/FixedBodyDimensions.h.
//
// Both are closed, outward-oriented triangle meshes in model units (millimetres) of the
// working frame. The files in data/ are this program's output.
#include "data/FixedBodyDimensions.h"

#include <vtkCellArray.h>
#include <vtkCubeSource.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkSTLWriter.h>
#include <vtkTriangleFilter.h>

#include <array>
#include <iostream>
#include <string>

namespace
{

using namespace fixedbodies;

// The T profile in the x-z plane, counter-clockwise seen from -y (x to the right, z up).
constexpr std::array<std::array<double, 2>, 8> kProfile = { {
  { -kStemHalfWidth, kStemBottom },  // 0
  { kStemHalfWidth, kStemBottom },   // 1
  { kStemHalfWidth, kHeadBottom },   // 2
  { kHeadHalfWidth, kHeadBottom },   // 3
  { kHeadHalfWidth, kHeadTop },      // 4
  { -kHeadHalfWidth, kHeadTop },     // 5
  { -kHeadHalfWidth, kHeadBottom },  // 6
  { -kStemHalfWidth, kHeadBottom },  // 7
} };

// The profile split into triangles, counter-clockwise like the profile: the stem's rectangle
// and the head's, whose lower side also holds the stem's top corners.
constexpr std::array<std::array<int, 3>, 6> kProfileTriangles = { {
  { 0, 1, 2 }, { 0, 2, 7 },                          // stem
  { 6, 7, 5 }, { 7, 4, 5 }, { 7, 2, 4 }, { 2, 3, 4 }, // head
} };

vtkSmartPointer<vtkPolyData> MakeCutter()
{
  const int n = static_cast<int>(kProfile.size());
  vtkNew<vtkPoints> points;
  // Profile point k at the front end (y = -L) has id k, at the back end (y = +L) id n + k.
  for (double y : { -kSlotHalfLength, kSlotHalfLength })
  {
    for (const auto& p : kProfile)
    {
      points->InsertNextPoint(p[0], y, p[1]);
    }
  }
  vtkNew<vtkCellArray> triangles;
  auto add = [&triangles](vtkIdType a, vtkIdType b, vtkIdType c) {
    const vtkIdType ids[3] = { a, b, c };
    triangles->InsertNextCell(3, ids);
  };
  // The profile is counter-clockwise seen from -y, so the front cap keeps its order (its
  // normal is -y) and the back cap reverses it.
  for (const auto& t : kProfileTriangles)
  {
    add(t[0], t[1], t[2]);
    add(n + t[0], n + t[2], n + t[1]);
  }
  // Side walls: each profile edge swept along y, facing away from the profile's inside.
  for (int k = 0; k < n; ++k)
  {
    const int next = (k + 1) % n;
    add(k, n + k, n + next);
    add(k, n + next, next);
  }
  auto cutter = vtkSmartPointer<vtkPolyData>::New();
  cutter->SetPoints(points);
  cutter->SetPolys(triangles);
  return cutter;
}

vtkSmartPointer<vtkPolyData> MakeBaseplate()
{
  vtkNew<vtkCubeSource> box;
  box->SetBounds(-kPlateHalfX, kPlateHalfX, -kPlateHalfY, kPlateHalfY, kPlateBottom, kPlateTop);
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputConnection(box->GetOutputPort());
  triangles->Update();
  auto plate = vtkSmartPointer<vtkPolyData>::New();
  plate->ShallowCopy(triangles->GetOutput());
  return plate;
}

bool Write(vtkPolyData* body, const std::string& path)
{
  vtkNew<vtkSTLWriter> writer;
  writer->SetInputData(body);
  writer->SetFileTypeToASCII();
  writer->SetFileName(path.c_str());
  if (writer->Write() != 1)
  {
    std::cerr << "cannot write " << path << std::endl;
    return false;
  }
  std::cout << "wrote " << path << std::endl;
  return true;
}

} // namespace

int main(int argc, char** argv)
{
  const std::string folder = argc > 1 ? argv[1] : ".";
  const bool ok = Write(MakeCutter(), folder + "/cross_2.2.stl") &&
    Write(MakeBaseplate(), folder + "/baseplate1.stl");
  return ok ? 0 : 1;
}
