// With the local server stopped: the connection failure reaches the user as an error box,
// both dialogs stay open, and a failed connection is no wrong sign-in attempt.
#include "accounts/LoginDialog.h"
#include "accounts/RegisterDialog.h"
#include "accounts/UserDatabase.h"

#include "DialogTest.h"

#include <QSignalSpy>

#include <stdexcept>
#include <string>

using testserver::Row;

namespace
{

const char* const kUnreachable = "无法连接服务器，请稍后重试。";

class ServerDownTest : public DialogTest
{
protected:
  void StopServer()
  {
    admin.Close();
    std::string output;
    ASSERT_TRUE(testserver::Stop(output)) << output;
  }
  void StartServer()
  {
    std::string why;
    ASSERT_TRUE(admin.Connect(why)) << why;
  }
  // Every test here leaves the shared server running again, also one that stopped it and
  // made no rows (the base fixture reconnects only to delete rows).
  void TearDown() override
  {
    if (!IsSkipped())
    {
      StartServer();
    }
    DialogTest::TearDown();
  }
};

} // namespace

TEST_F(ServerDownTest, ConnectingThrowsAndSaysSo)
{
  ASSERT_NO_FATAL_FAILURE(StopServer());
  testing::internal::CaptureStdout();
  try
  {
    UserDatabase database;
    ADD_FAILURE() << "connected to a stopped server";
  }
  catch (const std::runtime_error& error)
  {
    EXPECT_STREQ(error.what(), "mysql_connect failed");
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "failed to connect mysql.\n");
}

TEST_F(ServerDownTest, SignInReportsItAndCountsNoAttempt)
{
  const std::string name = NewName();
  InsertRow(name, NewPhone(), "pw1234");
  ASSERT_NO_FATAL_FAILURE(StopServer());

  LoginDialog dialog;
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  const QList<QLineEdit*> edits = Edits(&dialog);
  ASSERT_EQ(edits.size(), 2);
  edits[0]->setText(QString::fromStdString(name));
  edits[1]->setText("wrong");
  QPushButton* login = Find<QPushButton>(&dialog, "登录");
  for (int press = 0; press < 3; ++press)
  {
    login->click();
  }
  ASSERT_EQ(closer.boxes.size(), 3u);
  for (const ShownBox& box : closer.boxes)
  {
    EXPECT_EQ(box.title, "错误");
    EXPECT_EQ(box.text, kUnreachable);
    EXPECT_EQ(box.parent, &dialog);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
  }
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(finished.isEmpty());
  EXPECT_EQ(edits[1]->text(), "wrong");

  // Back online, the first wrong attempt still leaves two.
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(ExpectNoAttemptCounted(edits[1], login, "pw1234", finished));
}

TEST_F(ServerDownTest, SignUpReportsItAndKeepsTheFields)
{
  const std::string name = NewName();
  const std::string phone = NewPhone();
  ASSERT_NO_FATAL_FAILURE(StopServer());

  RegisterDialog dialog;
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  const QList<QLineEdit*> edits = Edits(&dialog);
  ASSERT_EQ(edits.size(), 4);
  edits[0]->setText(QString::fromStdString(name));
  edits[1]->setText(QString::fromStdString(phone));
  edits[2]->setText("secret1");
  edits[3]->setText("secret1");
  QPushButton* submit = Find<QPushButton>(&dialog, "注册");
  submit->click();
  ASSERT_EQ(closer.boxes.size(), 1u);
  EXPECT_EQ(closer.boxes[0].title, "错误");
  EXPECT_EQ(closer.boxes[0].text, kUnreachable);
  EXPECT_EQ(closer.boxes[0].parent, &dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(finished.isEmpty());
  EXPECT_EQ(edits[3]->text(), "secret1");

  ASSERT_NO_FATAL_FAILURE(StartServer());
  closer.boxes.clear();
  submit->click();
  ASSERT_EQ(closer.boxes.size(), 1u);
  EXPECT_EQ(closer.boxes[0].text, "注册成功！请返回登录。");
  const std::optional<Row> row = admin.Fetch(name);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->phone, phone);
}
