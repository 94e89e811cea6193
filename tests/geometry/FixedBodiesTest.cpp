// The two fixed bodies as shipped: closed and outward, where their dimensions say, the
// generator's output, and copied beside the executables.
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
  const Case cases[] = {
    // T profile: stem 2.2 wide from z = -0.8 to 2.3, head 5.0 wide from 2.3 to 4.7; 80 long.
    { "cross_2.2.stl", { -2.5, 2.5, -40, 40, -0.8, 4.7 }, 80.0 * (2.2 * 3.1 + 5.0 * 2.4) },
    { "baseplate1.stl", { -45, 45, -40, 40, -3.05, -0.05 }, 90.0 * 80.0 * 3.0 },
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
