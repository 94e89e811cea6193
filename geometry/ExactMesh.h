// The exact kernel and surface mesh the groove cut computes with. Only code compiled with
// CGAL includes this header (the groove tool's .cpp and the tests that build exact meshes).
#pragma once

#include "geometry/MeshBooleanTool.h"

#include <CGAL/Lazy_kernel.h>
#include <CGAL/Simple_cartesian.h>
#include <CGAL/Surface_mesh.h>

#include <boost/multiprecision/cpp_int.hpp>

#include <type_traits>

// Exact predicates and constructions: coordinates are held as interval approximations and
// evaluated exactly, over Boost's rationals (no GMP), only when an interval cannot decide.
using ExactKernel =
  CGAL::Lazy_kernel<CGAL::Simple_cartesian<boost::multiprecision::cpp_rational>>;
static_assert(std::is_same<ExactKernel::Exact_kernel::FT, boost::multiprecision::cpp_rational>::value,
  "the exact number type must be Boost's cpp_rational");

using ExactPoint = ExactKernel::Point_3;
using ExactSurfaceMesh = CGAL::Surface_mesh<ExactPoint>;

struct MeshBooleanTool::ExactMesh
{
  ExactSurfaceMesh surface;
};
