// The program from its start: sign-in first, the main window only after it, and one whole
// session through the real windows (sign in, load, align, gum line, cut line, tool paths).
#include "accounts/LoginDialog.h"
#include "accounts/UserDatabase.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "tests/support/ModalCloser.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include "TestServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <vtkMatrix4x4.h>
#include <vtkOutputWindow.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace
{

// What the test wants done once the program's QApplication exists; run on the GUI thread.
std::function<void()>& OnApplication()
{
  static std::function<void()> action;
  return action;
}

void RunTestAction()
{
  if (OnApplication())
  {
    OnApplication()();
  }
}
Q_COREAPP_STARTUP_FUNCTION(RunTestAction)

char programName[] = "Coravex";

int RunProgram()
{
  int argc = 1;
  char* argv[] = { programName, nullptr };
  return RunCoravex(argc, argv);
}

// Calls `step` from the event loop every 20 ms until it returns true.
void Repeat(QObject* owner, std::function<bool()> step)
{
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, [timer, step] {
    if (step())
    {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

template <typename T>
T* TopLevel()
{
  for (QWidget* w : QApplication::topLevelWidgets())
  {
    if (auto* found = qobject_cast<T*>(w); found && found->isVisible())
    {
      return found;
    }
  }
  return nullptr;
}

TEST(Startup, ARejectedSignInEndsWithZeroAndNoMainWindow)
{
  const testsupport::TempHome home;
  vtkOutputWindow::GetInstance()->SetDisplayModeToDefault();
  bool sawDialog = false;
  bool sawMainWindow = false;
  bool hadIcon = false;
  QString displayName;
  int vtkDisplayMode = -1;
  OnApplication() = [&] {
    Repeat(qApp, [&] {
      auto* login = qobject_cast<LoginDialog*>(QApplication::activeModalWidget());
      if (!login)
      {
        return false;
      }
      sawDialog = true;
      hadIcon = !login->windowIcon().isNull();
      displayName = QGuiApplication::applicationDisplayName();
      vtkDisplayMode = vtkOutputWindow::GetInstance()->GetDisplayMode();
      login->reject();
      return true;
    });
    // A main window made after the rejection would run the event loop: it is noted and
    // closed, so that the test fails instead of waiting for its time-out.
    Repeat(qApp, [&] {
      if (auto* window = TopLevel<MainWindow>())
      {
        sawMainWindow = true;
        window->close();
        return true;
      }
      return false;
    });
  };
  EXPECT_EQ(RunProgram(), 0);
  OnApplication() = nullptr;
  EXPECT_TRUE(sawDialog);
  EXPECT_TRUE(hadIcon);
  EXPECT_FALSE(sawMainWindow);
  EXPECT_EQ(displayName, "Velmora");
  EXPECT_EQ(vtkDisplayMode, vtkOutputWindow::NEVER);
  // The per-user folder was made at start, owner-only: it holds the remembered password.
  const QFileInfo folder(QString::fromStdString(home.File("Velmora")));
  EXPECT_TRUE(folder.isDir());
  EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
              | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther), QFile::Permissions());
  EXPECT_EQ(folder.permissions() & QFile::ExeOwner, QFile::ExeOwner);
}

TEST(Startup, AnEntryNamedVelmoraIsLeftAsItIs)
{
  const testsupport::TempHome home;
  {
    QFile file(QString::fromStdString(home.File("Velmora")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a folder");
  }
  OnApplication() = [] {
    Repeat(qApp, [] {
      if (auto* login = qobject_cast<LoginDialog*>(QApplication::activeModalWidget()))
      {
        login->reject();
        return true;
      }
      return false;
    });
  };
  EXPECT_EQ(RunProgram(), 0);
  OnApplication() = nullptr;
  EXPECT_TRUE(QFileInfo(QString::fromStdString(home.File("Velmora"))).isFile());
}

// A user of the real table, removed again after the test.
class EndToEnd : public testserver::UserTable
{
};

TEST_F(EndToEnd, SignInAlignGenerateAndSaveThroughTheRealWindows)
{
  const testsupport::TempHome home;
  const std::string name = NewName("e2e");
  const std::string phone = NewPhone();
  {
    UserDatabase database;
    UserRecord record{ name, phone, "secret1", "", 1 };
    std::string error;
    ASSERT_TRUE(database.registerUser(record, error)) << error;
  }

  // The jaw as scanned: shifted and lifted off the machine's table; its gum line in the
  // working frame, as a gum-line file made for the aligned model would be.
  const testsupport::SyntheticJaw working = testsupport::MakeSyntheticJaw();
  const testsupport::SyntheticJaw scanned = testsupport::MakeSyntheticJaw(
    testsupport::SmallJaw(), testsupport::RigidMotion(0, 0, 0, 6.0, -3.0, 12.0));
  const QString folder = QString::fromStdString(home.File("cases"));
  QDir().mkpath(folder);
  const QString model = folder + "/lower.jaw.stl";
  const QString gum = folder + "/lower.jaw.gum.txt";
  ASSERT_TRUE(testsupport::WriteStl(scanned.mesh, model.toStdString()));
  ASSERT_TRUE(testsupport::WriteGumLineText(working.gumLine, gum.toStdString()));

  std::deque<QString> files = { model, gum, folder + "/lower.jaw.gbin",
    folder + "/lower.jaw.txt" };
  std::vector<QString> seen;
  int step = 0;
  OnApplication() = [&] {
    // Lives as long as the program's application object.
    auto* closer = new ModalCloser;
    closer->setParent(qApp);
    closer->onDialog = [&](QDialog* dialog) {
      if (auto* login = qobject_cast<LoginDialog*>(dialog))
      {
        const QList<QLineEdit*> edits = login->findChildren<QLineEdit*>();
        edits.value(0)->setText(QString::fromStdString(name));
        edits.value(1)->setText("secret1");
        for (QPushButton* button : login->findChildren<QPushButton*>())
        {
          if (button->text() == "登录")
          {
            button->click();
          }
        }
        return;
      }
      if (auto* fileDialog = qobject_cast<QFileDialog*>(dialog))
      {
        seen.push_back(fileDialog->windowTitle());
        const QString path = files.front();
        files.pop_front();
        ChooseFile(fileDialog, path);
        return;
      }
      dialog->reject();
    };
    Repeat(qApp, [&] {
      MainWindow* window = TopLevel<MainWindow>();
      if (!window || QApplication::activeModalWidget())
      {
        return false;
      }
      auto click = [window](const char* name) {
        auto* button = window->findChild<QPushButton*>(name);
        EXPECT_TRUE(button && button->isEnabled()) << name;
        if (button)
        {
          QTest::mouseClick(button, Qt::LeftButton);
        }
      };
      switch (step++)
      {
        case 0: click("loadButton"); break;
        case 1: click("pushButton_autoAdjust"); break;
        case 2: click("loadButton_Pts"); break;
        case 3: click("pushButton_spline"); break;
        case 4: click("saveButton_cutLine"); break;
        case 5: click("saveButton_cutLine"); break;
        default: window->close(); return true;
      }
      return false;
    });
  };

  EXPECT_EQ(RunProgram(), 0);
  OnApplication() = nullptr;

  EXPECT_EQ(seen.size(), 4u);
  const qint64 binary = QFileInfo(folder + "/lower.jaw.gbin").size();
  EXPECT_GT(binary, 64 + 32 * 1000);
  EXPECT_EQ((binary - 64) % 32, 0);
  QFile program(folder + "/lower.jaw.txt");
  ASSERT_TRUE(program.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = program.readAll().split('\n');
  ASSERT_GT(lines.size(), 1000);
  EXPECT_TRUE(lines[0].startsWith("N100G0G90G54Z"));
  EXPECT_TRUE(lines[2].endsWith("F1500\r"));
  // Two loops by default: the program has as many poses as the binary file.
  EXPECT_EQ(lines.size() - 1 - 2, (binary - 64) / 32);
}

} // namespace
