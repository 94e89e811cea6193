#include "app/Startup.h"

#include "accounts/LoginDialog.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLocale>
#include <QSurfaceFormat>
#include <QTranslator>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkOutputWindow.h>

int RunCoravex(int argc, char** argv)
{
  if (vtkOutputWindow* output = vtkOutputWindow::GetInstance())
  {
    output->SetDisplayModeToNever();
  }
  // The 3-D view needs its OpenGL surface format before the application exists.
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());

  QApplication app(argc, argv);
  QGuiApplication::setApplicationDisplayName("Velmora");
  QApplication::setWindowIcon(QIcon(":/images/Velmora.ico"));

  QDir home = QDir::home();
  if (!home.exists("Velmora") && home.mkdir("Velmora"))
  {
    // It will hold the remembered password: owner-only, as its files are.
    QFile::setPermissions(home.filePath("Velmora"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  QTranslator translator;
  for (const QString& language : QLocale::system().uiLanguages())
  {
    if (translator.load(":/i18n/Coravex_" + QLocale(language).name()))
    {
      QCoreApplication::installTranslator(&translator);
      break;
    }
  }

  LoginDialog login;
  if (login.exec() != QDialog::Accepted)
  {
    return 0;
  }
  MainWindow window;
  window.show();
  return app.exec();
}
