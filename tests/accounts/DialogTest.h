// Shared ground of the sign-in and sign-up dialog tests: a temporary home folder for the
// remembered sign-in, the modal-window closer, and the dialogs' widgets found as a user would.
#pragma once

#include "tests/support/ModalCloser.h"
#include "TestServer.h"

#include <QByteArray>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QTemporaryDir>

class DialogTest : public testserver::UserTable
{
protected:
  void SetUp() override
  {
    UserTable::SetUp();
    if (IsSkipped())
    {
      return;
    }
    ASSERT_TRUE(home_.isValid());
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", home_.path().toUtf8());
    ASSERT_TRUE(QDir(home_.path()).mkdir("Velmora"));
  }
  void TearDown() override
  {
    if (!oldHome_.isNull())
    {
      qputenv("HOME", oldHome_);
    }
    UserTable::TearDown();
  }

  // The dialog's line edits in the order of its form.
  static QList<QLineEdit*> Edits(QWidget* dialog)
  {
    return dialog->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
  }
  template <class T>
  static T* Find(QWidget* dialog, const QString& text)
  {
    for (T* widget : dialog->findChildren<T*>())
    {
      if (widget->text() == text)
      {
        return widget;
      }
    }
    ADD_FAILURE() << "no widget with the text " << text.toStdString();
    return nullptr;
  }

  ModalCloser closer;

private:
  QTemporaryDir home_;
  QByteArray oldHome_;
};

// Prints message boxes readably in assertion failures.
inline std::ostream& operator<<(std::ostream& out, const ShownBox& box)
{
  return out << "[" << box.title.toStdString() << "] " << box.text.toStdString();
}
