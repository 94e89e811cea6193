// Odd user names and passwords through the real sign-up and sign-in dialogs: whatever sign-up
// stores signs in when typed again, nothing else does, and what sign-in could never match is
// refused at sign-up with the dialog's own messages.
#include "accounts/LoginDialog.h"
#include "accounts/RegisterDialog.h"

#include "DialogTest.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using testserver::Row;

namespace
{

const QString kWrong = QString::fromUtf8("用户名或密码错误！\n还有 2 次尝试机会。");

// `count` copies of `piece`.
QString Repeated(const char* piece, int count)
{
  QString text;
  for (int i = 0; i < count; ++i)
  {
    text += QString::fromUtf8(piece);
  }
  return text;
}

class OddInputTest : public DialogTest
{
protected:
  // Signs up with the name and the password typed twice; the message box shown, if any
  // ("" after a success), and whether the dialog was accepted.
  std::pair<QString, bool> SignUp(const QString& name, const QString& password)
  {
    closer.boxes.clear();
    RegisterDialog dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    const QList<QLineEdit*> edits = Edits(&dialog);
    EXPECT_EQ(edits.size(), 4);
    if (edits.size() != 4)
    {
      return { "no form", false };
    }
    edits[0]->setText(name);
    edits[1]->setText(QString::fromStdString(NewPhone()));
    edits[2]->setText(password);
    edits[3]->setText(password);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Find<QPushButton>(&dialog, "注册")->click();
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    const bool accepted = finished.size() == 1 && finished.at(0).at(0).toInt() == QDialog::Accepted;
    QString shown;
    for (const ShownBox& box : closer.boxes)
    {
      if (box.text != QString::fromUtf8("注册成功！请返回登录。"))
      {
        shown = box.text;
      }
    }
    return { shown, accepted };
  }

  // Signs in once with a fresh dialog: true when accepted; otherwise `shown` gets the box.
  bool SignIn(const QString& name, const QString& password, QString& shown)
  {
    closer.boxes.clear();
    LoginDialog dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    const QList<QLineEdit*> edits = Edits(&dialog);
    EXPECT_EQ(edits.size(), 2);
    if (edits.size() != 2)
    {
      return false;
    }
    edits[0]->setText(name);
    edits[1]->setText(password);
    testing::internal::CaptureStderr();
    Find<QPushButton>(&dialog, "登录")->click();
    testing::internal::GetCapturedStderr();
    shown = closer.boxes.empty() ? QString() : closer.boxes.back().text;
    return finished.size() == 1 && finished.at(0).at(0).toInt() == QDialog::Accepted;
  }
};

} // namespace

TEST_F(OddInputTest, WhatSignUpStoresSignsInAndNothingElse)
{
  const QString prefix = QString::fromStdString(NewName());
  // A name of `bytes` bytes in UTF-8: the test's prefix, then `piece` up to the size (the
  // rest filled with 'x').
  const auto sized = [&](const char* piece, int bytes, const char* tag) {
    QString name = prefix + tag;
    const int pieceBytes = static_cast<int>(std::string(piece).size());
    while (name.toUtf8().size() + pieceBytes <= bytes)
    {
      name += QString::fromUtf8(piece);
    }
    while (name.toUtf8().size() < bytes)
    {
      name += 'x';
    }
    return name;
  };
  const QString tooLong = QString::fromUtf8("用户名过长。");
  const QString badPassword = QString::fromUtf8("密码6-10位。");
  const QString nul = QString::fromUtf8("abc") + QChar(0) + QString::fromUtf8("efg");

  const struct
  {
    const char* what;
    QString name;
    QString password;
    QString refusal; // empty: sign-up succeeds
    std::vector<QString> otherPasswords; // each must fail to sign in
  } cases[] = {
    { "a NUL inside the password", prefix + "a", nul, "", { "abc", "abc" + QString(QChar(0)) } },
    { "a NUL inside the name", prefix + "b" + QChar(0) + "c", "pw1234", "", {} },
    { "4-byte characters in name and password", sized("\xF0\x9F\x98\x80", 100, "c"),
      QString::fromUtf8("\xF0\x9F\x98\x80pw\xF0\x9F\x98\x80"), "", {} },
    { "a name of exactly 100 bytes of Han characters", sized("\xE5\xBC\xA0", 100, "d"), "pw1234", "", {} },
    { "a name of 101 bytes", sized("x", 101, "e"), "pw1234", tooLong, {} },
    { "a name of 102 bytes of Han characters", sized("\xE5\xBC\xA0", 102, "f") , "pw1234", tooLong, {} },
    { "a name of 110 bytes", sized("x", 110, "g"), "pw1234", tooLong, {} },
    { "30 emoji", prefix + "h" + Repeated("\xF0\x9F\x98\x80", 30), "pw1234", tooLong, {} },
    { "a name of 10 kB", prefix + "i" + QString(10240, 'n'), "pw1234", tooLong, {} },
    { "a password of blanks only", prefix + "j", "      ", badPassword, {} },
    { "a password of blanks and tabs", prefix + "k", " \t \t \t ", badPassword, {} },
    { "a password ending in an ideographic space", prefix + "l",
      QString::fromUtf8("pw1234\xE3\x80\x80"), badPassword, {} },
    { "blanks around the password", prefix + "m", "  pw12  ", "", { "pw1", "pw12 x" } },
    { "an SQL injection as name", prefix + "' OR '1'='1", "pw1234", "", { "' OR '1'='1" } },
    { "only the last character differs", prefix + "n", "pw1234", "", { "pw1235", "pw123" } },
  };

  for (const auto& c : cases)
  {
    const auto [shown, accepted] = SignUp(c.name, c.password);
    EXPECT_EQ(shown.toStdString(), c.refusal.toStdString()) << c.what;
    EXPECT_EQ(accepted, c.refusal.isEmpty()) << c.what;
    const std::optional<Row> row = admin.Fetch(c.name.toStdString());
    EXPECT_EQ(row.has_value(), c.refusal.isEmpty()) << c.what;
    if (!c.refusal.isEmpty())
    {
      continue;
    }
    EXPECT_EQ(row->password_hash, c.password.toStdString()) << c.what;

    QString box;
    EXPECT_TRUE(SignIn(c.name, c.password, box)) << c.what << ": " << box.toStdString();
    for (const QString& other : c.otherPasswords)
    {
      EXPECT_FALSE(SignIn(c.name, other, box)) << c.what;
      EXPECT_EQ(box.toStdString(), kWrong.toStdString()) << c.what;
    }
  }
}
