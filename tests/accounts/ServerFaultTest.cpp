// Server faults played by a proxy in front of the local server: a server that never answers,
// or drops or stalls the connection at a chosen point. No call waits much longer than the
// connection's 5-second time limits, every fault reaches the user as the server message, and
// none of them counts as a wrong sign-in or leaves a row behind.
//
// This executable's accounts code talks to 127.0.0.2:3306, where each test puts its proxy.
#include "accounts/LoginDialog.h"
#include "accounts/RegisterDialog.h"
#include "accounts/UserDatabase.h"

#include "DialogTest.h"
#include "FaultProxy.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

using testserver::FaultProxy;
using Fault = testserver::FaultProxy::Fault;

namespace
{

const QString kServerFault = QString::fromUtf8("无法连接服务器，请稍后重试。");

// The connection's time limit is 5 s; a stalled call ends within this, start-up included.
constexpr qint64 kLongestWaitMs = 9000;

struct FaultCase
{
  const char* what;
  Fault fault;
  unsigned char command;
};

bool Stalls(const FaultCase& c)
{
  return c.fault == Fault::Silent || c.fault == Fault::StallAfterGreeting
    || c.fault == Fault::StallAtCommand;
}

// Faults that end at once.
const FaultCase kClosedAfterGreeting = { "closed after the greeting", Fault::CloseAfterGreeting, 0 };
const FaultCase kClosedAtPrepare = { "closed at prepare", Fault::CloseAtCommand, testserver::kPrepare };
const FaultCase kClosedAtExecute = { "closed at execute", Fault::CloseAtCommand, testserver::kExecute };
// Faults that end only by a time limit, 5 s each: each is played where it takes a path of its
// own (the connection, the store's prepare and execute, the dialogs' handling).
const FaultCase kSilent = { "silent from the start", Fault::Silent, 0 };
const FaultCase kStalledAfterGreeting = { "stalled after the greeting", Fault::StallAfterGreeting, 0 };
const FaultCase kStalledAtPrepare = { "stalled at prepare", Fault::StallAtCommand, testserver::kPrepare };
const FaultCase kStalledAtExecute = { "stalled at execute", Fault::StallAtCommand, testserver::kExecute };

class ServerFaultTest : public DialogTest
{
protected:
  // Puts a proxy with `fault` in front of the server (replacing the one before).
  void Play(Fault fault, unsigned char command = 0)
  {
    proxy.reset();
    proxy = std::make_unique<FaultProxy>(fault, command);
    std::string why;
    ASSERT_TRUE(proxy->Listening(why)) << why;
  }

  // Runs `action` and returns how long it took, in milliseconds.
  template <class Action>
  static qint64 Timed(Action&& action)
  {
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.elapsed();
  }

  // Presses `button` of `dialog`: within the time limits, the one box shown is the server
  // message, critical and the dialog's.
  void ExpectServerFaultBox(QPushButton* button, QDialog* dialog, const char* what)
  {
    closer.boxes.clear();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const qint64 took = Timed([&] { button->click(); });
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_LT(took, kLongestWaitMs) << what;
    ASSERT_EQ(closer.boxes.size(), 1u) << what;
    EXPECT_EQ(closer.boxes[0].title, "错误") << what;
    EXPECT_EQ(closer.boxes[0].text, kServerFault) << what;
    EXPECT_EQ(closer.boxes[0].icon, QMessageBox::Critical) << what;
    EXPECT_EQ(closer.boxes[0].parent, dialog) << what;
  }

  std::unique_ptr<FaultProxy> proxy;
};

} // namespace

TEST_F(ServerFaultTest, StoreCallsEndWithinTheTimeLimitsAndLeaveTheErrorText)
{
  const std::string name = NewName();
  InsertRow(name, NewPhone(), "pw1234");
  // The stalls before the greeting and during a statement are timed through the dialogs
  // below; here a server that stalls while the client signs in to it, after its greeting.
  for (const FaultCase& c : { kClosedAfterGreeting, kClosedAtPrepare, kClosedAtExecute,
                              kStalledAfterGreeting })
  {
    ASSERT_NO_FATAL_FAILURE(Play(c.fault, c.command));
    UserRecord record;
    record.username = NewName();
    record.phone = NewPhone();
    record.password_hash = "pw1234";
    std::string verifyError = "untouched";
    std::string registerError = "untouched";
    bool connected = false;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const qint64 took = Timed([&] {
      try
      {
        UserDatabase database;
        connected = true;
        EXPECT_FALSE(database.verifyUser(name, "pw1234", verifyError)) << c.what;
        EXPECT_FALSE(database.registerUser(record, registerError)) << c.what;
      }
      catch (const std::runtime_error& error)
      {
        EXPECT_STREQ(error.what(), "mysql_connect failed") << c.what;
      }
    });
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    // A silent server or one that closes during the handshake is no connection at all.
    EXPECT_EQ(connected, c.fault == Fault::CloseAtCommand || c.fault == Fault::StallAtCommand) << c.what;
    EXPECT_LT(took, kLongestWaitMs) << c.what;
    EXPECT_EQ(verifyError, "untouched") << c.what;
    EXPECT_EQ(registerError, "untouched") << c.what;
    EXPECT_FALSE(admin.Fetch(record.username).has_value()) << c.what;
  }
}

TEST_F(ServerFaultTest, SignInShowsTheServerMessageAndCountsNoAttempt)
{
  const std::string name = NewName();
  InsertRow(name, NewPhone(), "pw1234");
  LoginDialog dialog;
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QList<QLineEdit*> edits = Edits(&dialog);
  ASSERT_EQ(edits.size(), 2);
  edits[0]->setText(QString::fromStdString(name));
  QPushButton* login = Find<QPushButton>(&dialog, "登录");

  // Nine faults, more than the three attempts a user has: each drop with the right password
  // and with a wrong one, each stall once.
  for (const FaultCase& c : { kClosedAfterGreeting, kClosedAtPrepare, kClosedAtExecute, kSilent,
                              kStalledAtPrepare, kStalledAtExecute })
  {
    ASSERT_NO_FATAL_FAILURE(Play(c.fault, c.command));
    for (const char* typed : { "pw1234", "wrong" })
    {
      if (Stalls(c) && typed[0] == 'w')
      {
        break;
      }
      edits[1]->setText(typed);
      ExpectServerFaultBox(login, &dialog, c.what);
      EXPECT_TRUE(finished.isEmpty()) << c.what;
      EXPECT_EQ(edits[1]->text(), typed) << c.what;
    }
  }

  // With the server answering again, the first wrong attempt still leaves two.
  ASSERT_NO_FATAL_FAILURE(Play(Fault::PassThrough));
  ASSERT_NO_FATAL_FAILURE(ExpectNoAttemptCounted(edits[1], login, "pw1234", finished));
  EXPECT_GE(proxy->Connections(), 2);
}

TEST_F(ServerFaultTest, SignUpShowsTheServerMessageAndKeepsTheFields)
{
  RegisterDialog dialog;
  QSignalSpy finished(&dialog, &QDialog::finished);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QList<QLineEdit*> edits = Edits(&dialog);
  ASSERT_EQ(edits.size(), 4);
  const std::string name = NewName();
  const QString phone = QString::fromStdString(NewPhone());
  edits[0]->setText(QString::fromStdString(name));
  edits[1]->setText(phone);
  edits[2]->setText("pw1234");
  edits[3]->setText("pw1234");
  QPushButton* submit = Find<QPushButton>(&dialog, "注册");

  // A silent server fails the connection as in the sign-in above; the stalls here are the
  // insert's own.
  for (const FaultCase& c : { kClosedAfterGreeting, kClosedAtPrepare, kClosedAtExecute,
                              kStalledAtPrepare, kStalledAtExecute })
  {
    ASSERT_NO_FATAL_FAILURE(Play(c.fault, c.command));
    ExpectServerFaultBox(submit, &dialog, c.what);
    EXPECT_TRUE(finished.isEmpty()) << c.what;
    EXPECT_EQ(edits[1]->text(), phone) << c.what;
    EXPECT_EQ(edits[3]->text(), "pw1234") << c.what;
    EXPECT_FALSE(admin.Fetch(name).has_value()) << c.what;
  }

  // The same press goes through once the server answers.
  ASSERT_NO_FATAL_FAILURE(Play(Fault::PassThrough));
  closer.boxes.clear();
  submit->click();
  ASSERT_EQ(finished.size(), 1);
  EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
  EXPECT_TRUE(admin.Fetch(name).has_value());
}
