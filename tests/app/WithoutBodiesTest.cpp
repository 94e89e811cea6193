// Without the fixed bodies beside the executable the window works, and the groove fails
// with its message instead of cutting.
#include "tests/app/AppTestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

namespace
{

TEST_F(MainWindowTest, MissingBodiesAreLeftOutAndTheGrooveFails)
{
  ASSERT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/cross_2.2.stl"));
  ASSERT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/baseplate1.stl"));
  const auto jaw = testsupport::MakeSyntheticJaw();
  TestWindow w;
  w.Load(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  ASSERT_NE(w.probe.model(), nullptr);
  vtkPolyData* before = w.probe.model();
  // Neither body has a mesh to show.
  EXPECT_EQ(w.probe.crossActor()->GetMapper()->GetInputDataObject(0, 0), nullptr);
  EXPECT_EQ(w.probe.baseplateActor()->GetMapper()->GetInputDataObject(0, 0), nullptr);

  QTest::mouseClick(w.probe.ui().addGrooveButton, Qt::LeftButton);
  ExpectGrooveFailed(w.probe, w.driver, before);
}

} // namespace
