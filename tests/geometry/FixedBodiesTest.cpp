// The two fixed bodies as shipped: closed and outward, where their dimensions say, the
// generator's output, and copied beside the executables.
#include "data/FixedBodyDimensions.h"
#include "tests/support/FixedBodies.h"
#include "tests/support/MeshChecks.h"
#include "tests/support/TempFolder.h"

#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using testsupport::ReadAll;

TEST(FixedBodies, AreClosedOutwardBodiesOfTheirDocumentedSize)
{
  struct Case
  {
    const char* file;
    double bounds[6];
    double volume;
  };
  using namespace fixedbodies;
  // The T profile: the stem's rectangle and the head's, swept along the slot.
  const double profileArea = 2.0 * kStemHalfWidth * (kHeadBottom - kStemBottom) +
    2.0 * kHeadHalfWidth * (kHeadTop - kHeadBottom);
  const Case cases[] = {
    { "cross_2.2.stl",
      { -kHeadHalfWidth, kHeadHalfWidth, -kSlotHalfLength, kSlotHalfLength, kStemBottom, kHeadTop },
      2.0 * kSlotHalfLength * profileArea },
    { "baseplate1.stl",
      { -kPlateHalfX, kPlateHalfX, -kPlateHalfY, kPlateHalfY, kPlateBottom, kPlateTop },
      4.0 * kPlateHalfX * kPlateHalfY * (kPlateTop - kPlateBottom) },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.file);
    const auto body = testsupport::ReadFixedBody(c.file);
    ASSERT_GT(body->GetNumberOfPolys(), 0) << testsupport::FixedBodyPath(c.file);
    EXPECT_TRUE(testsupport::IsClosedOrientedManifold(body));
    // Single-precision coordinates in the file.
    EXPECT_NEAR(testsupport::SignedVolume(body), c.volume, 1e-5 * c.volume);
    double bounds[6];
    body->GetBounds(bounds);
    for (int k = 0; k < 6; ++k)
    {
      EXPECT_NEAR(bounds[k], c.bounds[k], 1e-6) << k;
    }
  }
}

TEST(FixedBodies, NoCutterPointLiesInTheModelsBasePlane)
{
  const auto cutter = testsupport::ReadFixedBody("cross_2.2.stl");
  ASSERT_GT(cutter->GetNumberOfPoints(), 0);
  for (vtkIdType i = 0; i < cutter->GetNumberOfPoints(); ++i)
  {
    EXPECT_NE(cutter->GetPoint(i)[2], 0.0) << i;
  }
}

TEST(FixedBodies, AreWhatTheGeneratorWrites)
{
  const testsupport::TempFolder folder;
  ASSERT_TRUE(folder.IsValid());
  const std::string command =
    testsupport::ExecutableFolder() + "/make_fixed_bodies " + folder.Path() + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* file : { "cross_2.2.stl", "baseplate1.stl" })
  {
    SCOPED_TRACE(file);
    EXPECT_EQ(ReadAll(folder.File(file)), ReadAll(testsupport::FixedBodyPath(file)));
  }
}

TEST(FixedBodies, ShipBesideTheExecutables)
{
  for (const char* file : { "cross_2.2.stl", "baseplate1.stl" })
  {
    SCOPED_TRACE(file);
    const std::string beside = testsupport::ExecutableFolder() + "/" + file;
    ASSERT_TRUE(std::filesystem::exists(beside));
    EXPECT_EQ(ReadAll(beside), ReadAll(testsupport::FixedBodyPath(file)));
  }
}
