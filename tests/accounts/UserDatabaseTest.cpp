// UserDatabase against the local MariaDB server: sign-up inserts, sign-in checks, the
// error texts the dialogs show, and the fixed read buffers; trim on its own.
#include "accounts/UserDatabase.h"

#include "TestServer.h"

#include <gtest/gtest.h>

#include <string>

using testserver::Row;

namespace
{

class UserDatabaseTest : public testserver::UserTable
{
protected:
  UserRecord NewRecord(const std::string& nameSuffix = "")
  {
    UserRecord record;
    record.username = NewName(nameSuffix);
    record.phone = NewPhone();
    record.password_hash = "pass123";
    return record;
  }

  // verifyUser on a fresh connection, as each sign-in press makes one.
  bool Verify(const std::string& name, const std::string& password, std::string& error)
  {
    UserDatabase database;
    return database.verifyUser(name, password, error);
  }

  bool Register(const UserRecord& record, std::string& error)
  {
    UserDatabase database;
    return database.registerUser(record, error);
  }
};

} // namespace

TEST(Trim, RemovesAsciiWhiteSpaceAtBothEndsOnly)
{
  const struct
  {
    std::string in;
    std::string out;
  } cases[] = {
    {"\t abc \r\n", "abc"},
    {"   ", ""},
    {"", ""},
    {"x", "x"},
    {"\f\va b\v\f", "a b"},
    {"\xe3\x80\x80name\xe3\x80\x80", "\xe3\x80\x80name\xe3\x80\x80"}, // ideographic space stays
    {"\xc2\xa0name", "\xc2\xa0name"},                                 // no-break space stays
  };
  for (const auto& c : cases)
  {
    EXPECT_EQ(trim(c.in), c.out) << "input: \"" << c.in << "\"";
  }
}

TEST_F(UserDatabaseTest, RegisteredUserIsStoredEnabledAndSignsIn)
{
  UserRecord record = NewRecord();
  std::string error = "untouched";
  ASSERT_TRUE(Register(record, error));
  EXPECT_EQ(error, "untouched");

  const std::optional<Row> row = admin.Fetch(record.username);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->phone, record.phone);
  EXPECT_EQ(row->password_hash, "pass123");
  EXPECT_EQ(row->is_enabled, 1);
  EXPECT_EQ(row->description, std::nullopt) << "an empty description is stored as NULL";

  EXPECT_TRUE(Verify(record.username, "pass123", error));

  // A description is stored as given; only the low byte of is_enabled is sent.
  UserRecord other = NewRecord();
  other.description = "前台 desk";
  other.is_enabled = 0x100 + 2;
  ASSERT_TRUE(Register(other, error));
  const std::optional<Row> otherRow = admin.Fetch(other.username);
  ASSERT_TRUE(otherRow);
  EXPECT_EQ(otherRow->description, std::optional<std::string>("前台 desk"));
  EXPECT_EQ(otherRow->is_enabled, 2);
}

TEST_F(UserDatabaseTest, EmptyRequiredFieldIsRefusedBeforeTheServer)
{
  for (int field = 0; field < 3; ++field)
  {
    UserRecord record = NewRecord();
    (field == 0 ? record.username : field == 1 ? record.phone : record.password_hash).clear();
    std::string error;
    EXPECT_FALSE(Register(record, error)) << "field " << field;
    EXPECT_EQ(error, "Username, phone, and password_hash cannot be empty");
  }
  // Nothing reached the table.
  UserRecord record = NewRecord();
  record.phone.clear();
  std::string error;
  Register(record, error);
  EXPECT_FALSE(admin.Fetch(record.username));
}

TEST_F(UserDatabaseTest, RefusedInsertsGiveTheUserTexts)
{
  UserRecord first = NewRecord("uk_phone"); // the server's text then names both keys
  std::string error;
  ASSERT_TRUE(Register(first, error));

  UserRecord sameName = NewRecord();
  sameName.username = first.username;
  UserRecord sameNameOtherCase = NewRecord();
  sameNameOtherCase.username = "T" + first.username.substr(1);
  UserRecord samePhone = NewRecord();
  samePhone.phone = first.phone;

  const struct
  {
    const char* what;
    UserRecord record;
    std::string error;
  } cases[] = {
    {"same user name (the text names both keys)", sameName, "用户名已存在！"},
    {"user name in other letter case", sameNameOtherCase, "用户名已存在！"},
    {"same phone", samePhone, "电话号码已被注册！"},
  };
  for (const auto& c : cases)
  {
    error = "stale";
    EXPECT_FALSE(Register(c.record, error)) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }

  UserRecord tooLong = NewRecord(std::string(120, 'x'));
  error.clear();
  EXPECT_FALSE(Register(tooLong, error));
  EXPECT_EQ(error, "Execute failed: Data too long for column 'username' at row 1");
}

TEST_F(UserDatabaseTest, StoredWhiteSpaceAroundValuesStillMatches)
{
  const std::string name = NewName();
  InsertRow(name + "   ", NewPhone(), " \t secret\r\n\f\v");
  std::string error;
  EXPECT_TRUE(Verify(name, "secret", error));
}

TEST_F(UserDatabaseTest, LetterCaseIsSignificant)
{
  const std::string name = NewName("CaseUser");
  InsertRow(name, NewPhone(), "Secret9");

  const struct
  {
    std::string name;
    std::string password;
  } cases[] = {
    {name.substr(0, name.size() - 8) + "caseuser", "Secret9"}, // the server's lookup finds it
    {name, "secret9"},
  };
  for (const auto& c : cases)
  {
    std::string error = "stale";
    EXPECT_FALSE(Verify(c.name, c.password, error)) << c.name << " / " << c.password;
    EXPECT_EQ(error, "");
  }
  std::string error;
  EXPECT_TRUE(Verify(name, "Secret9", error));
}

TEST_F(UserDatabaseTest, AccountNotEnabledIsDisabledWhateverThePassword)
{
  const std::optional<int> states[] = {0, 2, std::nullopt, -1};
  for (const std::optional<int>& state : states)
  {
    const std::string name = NewName();
    InsertRow(name, NewPhone(), "right1", state);
    for (const char* password : {"wrong1", "right1"})
    {
      std::string error;
      EXPECT_FALSE(Verify(name, password, error));
      EXPECT_EQ(error, "账户已禁用") << "is_enabled " << (state ? std::to_string(*state) : "NULL")
                                     << ", password " << password;
    }
  }
}

TEST_F(UserDatabaseTest, ValuesBeyondTheReadBuffersNeverSignIn)
{
  const std::string base = NewName();
  // Fewer than 100 characters, but beyond 100 bytes: 31 characters of three bytes each after
  // the test's own prefix, which keeps the name apart from rows of other runs.
  std::string chinese = base + "d";
  for (int i = 0; i < 31; ++i)
  {
    chinese += "张";
  }
  const struct
  {
    const char* what;
    std::string name;
    std::string password;
    bool signsIn;
  } cases[] = {
    {"password of 60 bytes", base + "a", std::string(60, 'p'), true},
    {"password of 61 bytes", base + "b", std::string(61, 'p'), false},
    {"user name of 100 bytes", base + "c" + std::string(100 - base.size() - 1, 'n'), "pw1234", true},
    {"user name beyond 100 bytes", chinese, "pw1234", false},
  };
  for (const auto& c : cases)
  {
    InsertRow(c.name, NewPhone(), c.password);
    std::string error = "untouched";
    testing::internal::CaptureStderr();
    const bool signedIn = Verify(c.name, c.password, error);
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(signedIn, c.signsIn) << c.what;
    // A row that does not fit is no server fault: like a wrong password, the text is cleared.
    EXPECT_EQ(error, c.signsIn ? "untouched" : "") << c.what;
    if (!c.signsIn)
    {
      EXPECT_EQ(diagnostics.rfind("mysql_stmt_fetch() failed: ", 0), 0u) << c.what << ": " << diagnostics;
    }
  }
  // Not even the part that fits in the buffer signs in.
  std::string error = "untouched";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(Verify(base + "b", std::string(60, 'p'), error));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(error, "");
}

TEST_F(UserDatabaseTest, QuotesAndSqlInUserNamesAreTakenLiterally)
{
  const char* suffixes[] = {"'", "\"", "' OR '1'='1", "'; DROP TABLE qv_users; --", "\\", "%",
                            "_", "张伟", "😀"};
  for (const char* suffix : suffixes)
  {
    UserRecord record = NewRecord(suffix);
    std::string error;
    ASSERT_TRUE(Register(record, error)) << suffix << ": " << error;
    const std::optional<Row> row = admin.Fetch(record.username);
    ASSERT_TRUE(row) << suffix;
    EXPECT_EQ(row->username, record.username);
    EXPECT_TRUE(Verify(record.username, "pass123", error)) << suffix;
  }

  // Patterns and injections match nothing else.
  const std::string prefix = NewName();
  InsertRow(prefix + "x", NewPhone(), "pass123");
  for (const std::string& probe : {prefix + "%", prefix + "_", std::string("' OR '1'='1"),
                                   prefix + "x' OR '1'='1"})
  {
    std::string error = "stale";
    EXPECT_FALSE(Verify(probe, "pass123", error)) << probe;
    EXPECT_EQ(error, "") << probe;
  }
}

TEST_F(UserDatabaseTest, UnknownUserAndEmptyInput)
{
  std::string error = "stale";
  EXPECT_FALSE(Verify(NewName(), "pass123", error));
  EXPECT_EQ(error, "") << "an unknown user clears the text";

  for (const auto& [name, password] : {std::pair<std::string, std::string>{"", "pw"}, {"someone", ""}})
  {
    error = "untouched";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Verify(name, password, error));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Username or password cannot be empty\n");
    EXPECT_EQ(error, "untouched");
  }
}
