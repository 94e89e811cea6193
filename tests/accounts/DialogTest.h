// Shared ground of the sign-in and sign-up dialog tests: a temporary home folder for the
// remembered sign-in, the modal-window closer, and the dialogs' widgets found as a user would.
#pragma once

#include "tests/support/ModalCloser.h"
#include "tests/support/TempFolder.h"
#include "TestServer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QList>
#include <QPushButton>

#include <filesystem>
#include <optional>

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
    home_.emplace();
    ASSERT_TRUE(home_->IsValid());
    ASSERT_TRUE(std::filesystem::create_directory(home_->File("Velmora")));
  }
  void TearDown() override
  {
    home_.reset();
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
  std::optional<testsupport::TempHome> home_;
};

// Prints message boxes readably in assertion failures.
inline std::ostream& operator<<(std::ostream& out, const ShownBox& box)
{
  return out << "[" << box.title.toStdString() << "] " << box.text.toStdString();
}
