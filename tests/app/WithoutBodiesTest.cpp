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
  MainWindow window;
  MainWindowProbe probe(window);
  DialogDriver driver;
  driver.QueueFile(WriteJaw(jaw, Home() + "/m", "jaw.stl"));
  QTest::mouseClick(probe.ui().loadButton, Qt::LeftButton);
  ASSERT_NE(probe.model(), nullptr);
  vtkPolyData* before = probe.model();
  // Neither body has a mesh to show.
  EXPECT_EQ(probe.crossActor()->GetMapper()->GetInputDataObject(0, 0), nullptr);
  EXPECT_EQ(probe.baseplateActor()->GetMapper()->GetInputDataObject(0, 0), nullptr);

  QTest::mouseClick(probe.ui().addGrooveButton, Qt::LeftButton);
  ExpectGrooveFailed(probe, driver, before);
}

} // namespace
