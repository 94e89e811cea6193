// The sign-up dialog driven through its widgets: the input rules in their order, what is
// stored for a valid sign-up, and the server's refusals.
#include "accounts/RegisterDialog.h"

#include "DialogTest.h"

#include <QRegularExpressionValidator>
#include <QSignalSpy>
#include <QTest>

#include <string>

using testserver::Row;

namespace
{

class RegisterDialogTest : public DialogTest
{
protected:
  void Open()
  {
    dialog = std::make_unique<RegisterDialog>();
    finished = std::make_unique<QSignalSpy>(dialog.get(), &QDialog::finished);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    const QList<QLineEdit*> edits = Edits(dialog.get());
    ASSERT_EQ(edits.size(), 4);
    user = edits[0];
    phone = edits[1];
    password = edits[2];
    confirm = edits[3];
    submit = Find<QPushButton>(dialog.get(), "注册");
  }

  void Fill(const QString& u, const QString& p, const QString& pw, const QString& c)
  {
    user->setText(u);
    phone->setText(p);
    password->setText(pw);
    confirm->setText(c);
  }

  std::unique_ptr<RegisterDialog> dialog;
  std::unique_ptr<QSignalSpy> finished;
  QLineEdit* user = nullptr;
  QLineEdit* phone = nullptr;
  QLineEdit* password = nullptr;
  QLineEdit* confirm = nullptr;
  QPushButton* submit = nullptr;
};

} // namespace

TEST_F(RegisterDialogTest, FormAndPhoneValidator)
{
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(dialog->windowTitle(), "注册");
  EXPECT_EQ(dialog->minimumSize(), QSize(320, 220));
  EXPECT_EQ(user->placeholderText(), "2-20个字符");
  EXPECT_EQ(phone->placeholderText(), "请输入中国大陆手机号");
  EXPECT_EQ(password->placeholderText(), "6-10位");
  EXPECT_TRUE(confirm->placeholderText().isEmpty());
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(confirm->echoMode(), QLineEdit::Password);
  const auto* validator = qobject_cast<const QRegularExpressionValidator*>(phone->validator());
  ASSERT_TRUE(validator);
  EXPECT_EQ(validator->regularExpression().pattern(), "^1[3-9]\\d{9}$");

  // Typed keys that can no longer lead to a number never reach the field.
  const struct
  {
    const char* typed;
    const char* kept;
  } cases[] = {
    {"2", ""},
    {"10", "1"},
    {"12", "1"},
    {"138a0", "1380"},
    {"138001380001", "13800138000"},
    {"19912345678", "19912345678"},
  };
  for (const auto& c : cases)
  {
    phone->clear();
    QTest::keyClicks(phone, c.typed);
    EXPECT_EQ(phone->text(), c.kept) << "typed " << c.typed;
  }
}

TEST_F(RegisterDialogTest, InputRulesInTheirOrder)
{
  const QString tooShortName = QString::fromUtf8("张");
  const struct
  {
    QString user, phone, password, confirm;
    const char* message;
    int focused; // index of the form's line edit
  } cases[] = {
    {" a ", "13800138000", "123456", "123456", "用户名至少2个字符。", 0},
    {tooShortName, "", "1", "2", "用户名至少2个字符。", 0},
    {"ab", "", "123456", "123456", "请输入有效的手机号。", 1},
    {"ab", "1380013800", "123456", "123456", "请输入有效的手机号。", 1},
    {"ab", "13800138000", "12345", "12345", "密码6-10位。", 2},
    {"ab", "13800138000", "12345678901", "12345678901", "密码6-10位。", 2},
    {"ab", "13800138000", "123456", "123457", "两次密码不一致。", 3},
  };
  ASSERT_NO_FATAL_FAILURE(Open());
  for (const auto& c : cases)
  {
    closer.boxes.clear();
    Fill(c.user, c.phone, c.password, c.confirm);
    submit->click();
    ASSERT_EQ(closer.boxes.size(), 1u) << c.message;
    EXPECT_EQ(closer.boxes[0].title, "错误");
    EXPECT_EQ(closer.boxes[0].text, QString::fromUtf8(c.message));
    EXPECT_EQ(closer.boxes[0].parent, dialog.get());
    EXPECT_EQ(closer.boxes[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(dialog->focusWidget(), Edits(dialog.get())[c.focused]) << c.message;
    // Only a mismatched confirmation is emptied.
    EXPECT_EQ(confirm->text(), c.focused == 3 ? QString() : c.confirm) << c.message;
    EXPECT_EQ(user->text(), c.user);
    EXPECT_EQ(password->text(), c.password);
    EXPECT_TRUE(dialog->isVisible());
  }
  EXPECT_TRUE(finished->isEmpty());
}

TEST_F(RegisterDialogTest, ValidSignUpStoresTrimmedNameAndTypedPassword)
{
  const struct
  {
    std::string typedName;
    QString password;
  } cases[] = {
    {"  " + NewName() + " ", "123456"},               // the name is trimmed
    {NewName(std::string(30, 'L')), "1234567890"},    // 30+ characters pass whole
    {NewName("张伟"), " 1234 "},                      // blanks count and are stored
  };
  for (const auto& c : cases)
  {
    const std::string stored = QString::fromStdString(c.typedName).trimmed().toStdString();
    const std::string number = NewPhone();
    ASSERT_NO_FATAL_FAILURE(Open());
    closer.boxes.clear();
    Fill(QString::fromStdString(c.typedName), QString::fromStdString(number), c.password, c.password);
    submit->click();

    ASSERT_EQ(closer.boxes.size(), 1u) << c.typedName;
    EXPECT_EQ(closer.boxes[0].title, "成功");
    EXPECT_EQ(closer.boxes[0].text, "注册成功！请返回登录。");
    EXPECT_EQ(closer.boxes[0].icon, QMessageBox::Information);
    ASSERT_EQ(finished->size(), 1);
    EXPECT_EQ(finished->at(0).at(0).toInt(), QDialog::Accepted);
    EXPECT_EQ(dialog->registeredUsername.toStdString(), stored);

    const std::optional<Row> row = admin.Fetch(stored);
    ASSERT_TRUE(row) << stored;
    EXPECT_EQ(row->phone, number);
    EXPECT_EQ(row->password_hash, c.password.toStdString());
    EXPECT_EQ(row->is_enabled, 1);
    EXPECT_EQ(row->description, std::nullopt);
  }
}

TEST_F(RegisterDialogTest, EnterInTheConfirmationSubmitsOnce)
{
  const std::string name = NewName();
  ASSERT_NO_FATAL_FAILURE(Open());
  Fill(QString::fromStdString(name), QString::fromStdString(NewPhone()), "secret1", "secret2");
  QTest::keyClick(confirm, Qt::Key_Return);
  ASSERT_EQ(closer.boxes.size(), 1u);
  EXPECT_EQ(closer.boxes[0].text, "两次密码不一致。");

  confirm->setText("secret1");
  QTest::keyClick(confirm, Qt::Key_Enter);
  ASSERT_EQ(closer.boxes.size(), 2u);
  EXPECT_EQ(closer.boxes[1].text, "注册成功！请返回登录。");
  EXPECT_EQ(finished->size(), 1);
  EXPECT_TRUE(admin.Fetch(name));
}

TEST_F(RegisterDialogTest, TakenNameOrPhoneKeepsTheDialogOpen)
{
  const std::string name = NewName();
  const std::string number = NewPhone();
  InsertRow(name, number, "secret1");

  const struct
  {
    std::string user;
    std::string phone;
    const char* message;
  } cases[] = {
    {name, NewPhone(), "用户名已存在！"},
    {NewName(), number, "电话号码已被注册！"},
  };
  ASSERT_NO_FATAL_FAILURE(Open());
  for (const auto& c : cases)
  {
    closer.boxes.clear();
    Fill(QString::fromStdString(c.user), QString::fromStdString(c.phone), "secret2", "secret2");
    submit->click();
    ASSERT_EQ(closer.boxes.size(), 1u);
    EXPECT_EQ(closer.boxes[0].title, "错误");
    EXPECT_EQ(closer.boxes[0].text, QString::fromUtf8(c.message));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(finished->isEmpty());
    EXPECT_EQ(user->text().toStdString(), c.user);
    EXPECT_EQ(phone->text().toStdString(), c.phone);
    EXPECT_EQ(password->text(), "secret2");
    EXPECT_EQ(confirm->text(), "secret2");
  }
  EXPECT_EQ(admin.Fetch(name)->password_hash, "secret1");
}
