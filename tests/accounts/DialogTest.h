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
#include <QSignalSpy>

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

  // After sign-in failures that must not have counted: a wrong password still leaves two
  // attempts, and `right` is then accepted. `finished` watches the sign-in dialog.
  void ExpectNoAttemptCounted(QLineEdit* password, QPushButton* login, const char* right,
                              const QSignalSpy& finished)
  {
    closer.boxes.clear();
    password->setText("wrong");
    login->click();
    ASSERT_EQ(closer.boxes.size(), 1u);
    EXPECT_EQ(closer.boxes[0].text, QString::fromUtf8("用户名或密码错误！\n还有 2 次尝试机会。"));
    password->setText(right);
    login->click();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
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
