// The sign-in dialog driven through its widgets against the local server: input checks,
// the three attempts, disabled accounts, the remembered sign-in and the way to sign-up.
#include "accounts/LoginDialog.h"

#include "DialogTest.h"

#include "settings/Settings.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

namespace
{

const QString kRetry = QString::fromUtf8("用户名或密码错误！\n还有 %1 次尝试机会。");

class LoginDialogTest : public DialogTest
{
protected:
  void SetUp() override
  {
    DialogTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
    {
      return;
    }
    name = NewName("Login");
    InsertRow(name, NewPhone(), "pw1234");
  }

  // A shown dialog with its widgets; made after the home folder is in place.
  void Open()
  {
    dialog = std::make_unique<LoginDialog>();
    finished = std::make_unique<QSignalSpy>(dialog.get(), &QDialog::finished);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    const QList<QLineEdit*> edits = Edits(dialog.get());
    ASSERT_EQ(edits.size(), 2);
    user = edits[0];
    password = edits[1];
    login = Find<QPushButton>(dialog.get(), "登录");
    remember = Find<QCheckBox>(dialog.get(), "记住我");
  }

  void SignIn(const QString& typedUser, const QString& typedPassword)
  {
    user->setText(typedUser);
    password->setText(typedPassword);
    login->click();
  }

  // The message boxes seen so far as "title|text"; every one is the dialog's, with Ok alone.
  std::vector<std::string> Seen()
  {
    std::vector<std::string> seen;
    for (const ShownBox& box : closer.boxes)
    {
      EXPECT_EQ(box.parent, dialog.get()) << box;
      EXPECT_EQ(box.buttons, QMessageBox::Ok) << box;
      seen.push_back((box.title + "|" + box.text).toStdString());
    }
    return seen;
  }

  static std::string Box(const char* title, const QString& text)
  {
    return (QString::fromUtf8(title) + "|" + text).toStdString();
  }

  bool StillOpen() const { return dialog->isVisible() && finished->isEmpty(); }
  bool Rejected() const
  {
    return finished->size() == 1 && finished->at(0).at(0).toInt() == QDialog::Rejected;
  }
  bool Accepted() const
  {
    return finished->size() == 1 && finished->at(0).at(0).toInt() == QDialog::Accepted;
  }

  std::string name;
  std::unique_ptr<LoginDialog> dialog;
  std::unique_ptr<QSignalSpy> finished;
  QLineEdit* user = nullptr;
  QLineEdit* password = nullptr;
  QPushButton* login = nullptr;
  QCheckBox* remember = nullptr;
};

} // namespace

TEST_F(LoginDialogTest, FormStartsAsLaidOut)
{
  ASSERT_TRUE(saveCredentials("stored.user", " stored pw "));
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(dialog->windowTitle(), "用户登录");
  EXPECT_EQ(dialog->minimumSize(), QSize(320, 220));
  EXPECT_EQ(user->placeholderText(), "请输入用户名");
  EXPECT_EQ(password->placeholderText(), "请输入密码");
  EXPECT_EQ(user->text(), "stored.user");
  EXPECT_EQ(password->text(), " stored pw ");
  EXPECT_TRUE(remember->isChecked());
  ASSERT_TRUE(Find<QPushButton>(dialog.get(), "注册新账号"));

  QCheckBox* show = Find<QCheckBox>(dialog.get(), "显示密码");
  ASSERT_TRUE(show);
  EXPECT_FALSE(show->isChecked());
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  show->click();
  EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
  show->click();
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
}

TEST_F(LoginDialogTest, WithoutAStoredSignInTheFieldsStartEmptyAndRememberIsChecked)
{
  // No credentials file yet, and a credentials "file" that cannot be read (a folder).
  for (const bool unreadable : { false, true })
  {
    SCOPED_TRACE(unreadable ? "unreadable file" : "no file");
    if (unreadable)
    {
      ASSERT_TRUE(QDir(QDir::homePath() + "/Velmora").mkdir("credentials.ini"));
    }
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_TRUE(user->text().isEmpty());
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_TRUE(remember->isChecked());
    EXPECT_TRUE(closer.boxes.empty());
  }
}

TEST_F(LoginDialogTest, MissingInputIsAskedForAndNotCounted)
{
  ASSERT_NO_FATAL_FAILURE(Open());
  SignIn(" \t ", "pw1234");
  EXPECT_EQ(dialog->focusWidget(), user);
  SignIn(QString::fromStdString(name), "");
  EXPECT_EQ(dialog->focusWidget(), password);
  EXPECT_TRUE(StillOpen());

  // The first real attempt still has two more after it.
  SignIn(QString::fromStdString(name), "wrong");
  EXPECT_EQ(Seen(), (std::vector<std::string>{Box("输入错误", "请输入用户名。"),
                                              Box("输入错误", "请输入密码。"),
                                              Box("登录失败", kRetry.arg(2))}));
}

TEST_F(LoginDialogTest, ThreeWrongAttemptsEndTheDialog)
{
  ASSERT_NO_FATAL_FAILURE(Open());
  // A password of blanks alone passes the empty test and is a wrong attempt.
  SignIn(QString::fromStdString(name), "   ");
  EXPECT_TRUE(StillOpen());
  EXPECT_TRUE(password->text().isEmpty());
  EXPECT_EQ(dialog->focusWidget(), password);

  SignIn(QString::fromStdString(name), "PW1234");
  EXPECT_TRUE(StillOpen());
  EXPECT_TRUE(password->text().isEmpty());

  SignIn("nobody-" + QString::fromStdString(name), "pw1234");
  EXPECT_TRUE(Rejected());
  EXPECT_EQ(Seen(), (std::vector<std::string>{Box("登录失败", kRetry.arg(2)),
                                              Box("登录失败", kRetry.arg(1)),
                                              Box("登录失败", "登录尝试次数过多，程序将退出。")}));
  ASSERT_EQ(closer.boxes.size(), 3u);
  EXPECT_EQ(closer.boxes[0].icon, QMessageBox::Warning);
  EXPECT_EQ(closer.boxes[2].icon, QMessageBox::Critical);
}

TEST_F(LoginDialogTest, DisabledAccountEndsTheDialogAtOnce)
{
  const std::string disabled = NewName();
  InsertRow(disabled, NewPhone(), "pw1234", 0);
  ASSERT_NO_FATAL_FAILURE(Open());
  SignIn(QString::fromStdString(name), "wrong");
  SignIn(QString::fromStdString(disabled), "wrong");
  EXPECT_TRUE(Rejected());
  EXPECT_EQ(Seen(), (std::vector<std::string>{Box("登录失败", kRetry.arg(2)),
                                              Box("登录失败", "账户已禁用")}));
}

TEST_F(LoginDialogTest, SuccessStoresTheTypedPasswordOnlyWhenRemembered)
{
  for (const bool rememberIt : {true, false})
  {
    ASSERT_TRUE(saveCredentials("earlier", "earlier-pw"));
    ASSERT_NO_FATAL_FAILURE(Open());
    remember->setChecked(rememberIt);
    SignIn("  " + QString::fromStdString(name) + " ", " pw1234\t");
    EXPECT_TRUE(Accepted());
    EXPECT_TRUE(Seen().empty());

    QString storedUser;
    QString storedPassword;
    ASSERT_TRUE(loadCredentials(storedUser, storedPassword));
    if (rememberIt)
    {
      EXPECT_EQ(storedUser, QString::fromStdString(name));
      EXPECT_EQ(storedPassword, " pw1234\t");
    }
    else
    {
      EXPECT_EQ(storedUser, "earlier");
      EXPECT_EQ(storedPassword, "earlier-pw");
    }
  }
}

TEST_F(LoginDialogTest, EnterInThePasswordFieldSignsInOnce)
{
  ASSERT_NO_FATAL_FAILURE(Open());
  user->setText(QString::fromStdString(name));
  password->setText("wrong");
  QTest::keyClick(password, Qt::Key_Return);
  EXPECT_EQ(Seen(), (std::vector<std::string>{Box("登录失败", kRetry.arg(2))}));

  password->setText("pw1234");
  QTest::keyClick(password, Qt::Key_Return);
  EXPECT_TRUE(Accepted());
}

TEST_F(LoginDialogTest, SignUpHandsTheNewNameBack)
{
  const std::string newName = NewName();
  const std::string phone = NewPhone();
  ASSERT_NO_FATAL_FAILURE(Open());
  user->setText("someone else");
  password->setText("typed");

  // Closed without signing up: nothing changes.
  closer.onDialog = [](QDialog* signUp) { signUp->reject(); };
  Find<QPushButton>(dialog.get(), "注册新账号")->click();
  EXPECT_EQ(user->text(), "someone else");
  EXPECT_EQ(password->text(), "typed");

  closer.onDialog = [&](QDialog* signUp) {
    const QList<QLineEdit*> edits = Edits(signUp);
    ASSERT_EQ(edits.size(), 4);
    edits[0]->setText(" " + QString::fromStdString(newName) + " ");
    edits[1]->setText(QString::fromStdString(phone));
    edits[2]->setText("secret1");
    edits[3]->setText("secret1");
    Find<QPushButton>(signUp, "注册")->click();
  };
  Find<QPushButton>(dialog.get(), "注册新账号")->click();
  ASSERT_EQ(closer.boxes.size(), 1u);
  EXPECT_EQ(closer.boxes[0].text, "注册成功！请返回登录。");
  EXPECT_EQ(user->text(), QString::fromStdString(newName));
  EXPECT_TRUE(password->text().isEmpty());
  EXPECT_EQ(dialog->focusWidget(), password);

  SignIn(QString::fromStdString(newName), "secret1");
  EXPECT_TRUE(Accepted());
}
