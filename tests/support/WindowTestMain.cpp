// Test main for window tests: the default OpenGL surface format of the VTK view is set
// before the QApplication exists, as the program itself does.
#include <QApplication>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

#include <gtest/gtest.h>

#include <memory>

int main(int argc, char** argv)
{
  testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests))
  {
    // Listing needs no display.
    return RUN_ALL_TESTS();
  }
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
