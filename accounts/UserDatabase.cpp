#include "accounts/UserDatabase.h"

#include <errmsg.h>
#include <mysql.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace
{

const char* const kInsertUser =
  "INSERT INTO qv_users (username, phone, password_hash, is_enabled, description) "
  "VALUES (?, ?, ?, ?, ?)";
const char* const kSelectUser =
  "SELECT username, password_hash, is_enabled FROM qv_users WHERE username = ?";

const unsigned int kDuplicateEntry = 1062; // ER_DUP_ENTRY

const unsigned int kTimeoutSeconds = 5;

struct StatementCloser
{
  void operator()(MYSQL_STMT* statement) const { mysql_stmt_close(statement); }
};
// Closes the statement exactly once, on whichever path the call leaves by.
using Statement = std::unique_ptr<MYSQL_STMT, StatementCloser>;

// An input string parameter; the client library only reads the buffer.
void BindString(MYSQL_BIND& bind, const std::string& value)
{
  bind.buffer_type = MYSQL_TYPE_STRING;
  bind.buffer = const_cast<char*>(value.data());
  bind.buffer_length = static_cast<unsigned long>(value.size());
}

bool Contains(const char* text, const char* part)
{
  return std::strstr(text, part) != nullptr;
}

// Errors the client library raises itself (a lost or timed-out connection, a broken
// packet), as opposed to the server refusing a statement.
bool IsClientError(unsigned int number)
{
  return (number >= CR_MIN_ERROR && number <= CR_MAX_ERROR)
    || (number >= CER_MIN_ERROR && number <= CER_MAX_ERROR);
}

// Runs the select for `username`; null after a failure, which has gone to standard error.
Statement ExecuteSelect(MYSQL* connection, const std::string& username)
{
  Statement statement(mysql_stmt_init(connection));
  if (!statement)
  {
    std::fprintf(stderr, "mysql_stmt_init() failed\n");
    return nullptr;
  }
  MYSQL_STMT* const stmt = statement.get();
  if (mysql_stmt_prepare(stmt, kSelectUser, std::strlen(kSelectUser)) != 0)
  {
    std::fprintf(stderr, "mysql_stmt_prepare() failed: %s\n", mysql_stmt_error(stmt));
    return nullptr;
  }
  MYSQL_BIND parameter[1] = {};
  BindString(parameter[0], username);
  if (mysql_stmt_bind_param(stmt, parameter) != 0)
  {
    std::fprintf(stderr, "mysql_stmt_bind_param() failed: %s\n", mysql_stmt_error(stmt));
    return nullptr;
  }
  if (mysql_stmt_execute(stmt) != 0)
  {
    std::fprintf(stderr, "mysql_stmt_execute() failed: %s\n", mysql_stmt_error(stmt));
    return nullptr;
  }
  return statement;
}

// The columns of one row of the select, each string with its length as stored.
struct StoredUser
{
  std::string name;
  std::string password;
  signed char enabled = 0;
};

enum class Fetch
{
  Row,        // `StoredUser` holds the first row
  NoRow,      // no user of that name
  DoesNotFit, // a value is longer than kStoredUsernameBytes or kStoredPasswordBytes
  Failed      // the fetch failed; written to standard error
};

// Fetches the first row of the executed select (later rows are never looked at).
Fetch FetchFirstRow(MYSQL_STMT* stmt, StoredUser& stored)
{
  char name[kStoredUsernameBytes + 1] = {};
  char password[kStoredPasswordBytes + 1] = {};
  unsigned long nameLength = 0;
  unsigned long passwordLength = 0;

  MYSQL_BIND result[3] = {};
  result[0].buffer_type = MYSQL_TYPE_STRING;
  result[0].buffer = name;
  result[0].buffer_length = kStoredUsernameBytes;
  result[0].length = &nameLength;
  result[1].buffer_type = MYSQL_TYPE_STRING;
  result[1].buffer = password;
  result[1].buffer_length = kStoredPasswordBytes;
  result[1].length = &passwordLength;
  result[2].buffer_type = MYSQL_TYPE_TINY;
  result[2].buffer = &stored.enabled;
  if (mysql_stmt_bind_result(stmt, result) != 0)
  {
    std::fprintf(stderr, "mysql_stmt_bind_result() failed: %s\n", mysql_stmt_error(stmt));
    return Fetch::Failed;
  }

  const int fetched = mysql_stmt_fetch(stmt);
  if (fetched == MYSQL_NO_DATA)
  {
    return Fetch::NoRow;
  }
  if (fetched != 0)
  {
    std::fprintf(stderr, "mysql_stmt_fetch() failed: %s\n", mysql_stmt_error(stmt));
    return fetched == MYSQL_DATA_TRUNCATED ? Fetch::DoesNotFit : Fetch::Failed;
  }
  // A successful fetch returns lengths within the buffers; the bound keeps it so all the same.
  stored.name.assign(name, std::min(nameLength, kStoredUsernameBytes));
  stored.password.assign(password, std::min(passwordLength, kStoredPasswordBytes));
  return Fetch::Row;
}

} // namespace

UserDatabase::UserDatabase()
  : host(CORAVEX_DB_HOST)
  , user("mysql_brisolt")
  , password("Kq604831##")
  , database("mysql_brisolt")
  , port(3306)
  , connection(nullptr)
{
  connection = mysql_init(nullptr);
  if (!connection)
  {
    throw std::runtime_error("mysql_init failed");
  }
  if (mysql_options(connection, MYSQL_SET_CHARSET_NAME, "utf8mb4") != 0)
  {
    std::fprintf(stderr, "Warning: Failed to set charset to utf8mb4\n");
  }
  // A server that accepts the connection and then stalls must not freeze the dialog: the
  // connection, and every read and write on it, give up after a few seconds.
  mysql_options(connection, MYSQL_OPT_CONNECT_TIMEOUT, &kTimeoutSeconds);
  mysql_options(connection, MYSQL_OPT_READ_TIMEOUT, &kTimeoutSeconds);
  mysql_options(connection, MYSQL_OPT_WRITE_TIMEOUT, &kTimeoutSeconds);
  if (!mysql_real_connect(connection, host, user, password, database, port, nullptr, 0))
  {
    std::cout << "failed to connect mysql." << std::endl;
    // The destructor does not run for a constructor that throws.
    mysql_close(connection);
    connection = nullptr;
    throw std::runtime_error("mysql_connect failed");
  }
}

UserDatabase::~UserDatabase()
{
  mysql_close(connection);
}

bool UserDatabase::registerUser(const UserRecord& record, std::string& error)
{
  if (record.username.empty() || record.phone.empty() || record.password_hash.empty())
  {
    error = "Username, phone, and password_hash cannot be empty";
    return false;
  }

  Statement statement(mysql_stmt_init(connection));
  if (!statement)
  {
    std::cout << "mysql_stmt_init() failed\n";
    return false;
  }
  if (mysql_stmt_prepare(statement.get(), kInsertUser, std::strlen(kInsertUser)) != 0)
  {
    std::cout << "mysql_stmt_prepare() failed: " << mysql_stmt_error(statement.get()) << "\n";
    return false;
  }

  MYSQL_BIND bind[5] = {};
  BindString(bind[0], record.username);
  BindString(bind[1], record.phone);
  BindString(bind[2], record.password_hash);

  signed char enabled = static_cast<signed char>(record.is_enabled & 0xFF);
  bind[3].buffer_type = MYSQL_TYPE_TINY;
  bind[3].buffer = &enabled;

  my_bool descriptionIsNull = 1;
  if (record.description.empty())
  {
    bind[4].buffer_type = MYSQL_TYPE_STRING;
    bind[4].is_null = &descriptionIsNull;
  }
  else
  {
    BindString(bind[4], record.description);
  }

  if (mysql_stmt_bind_param(statement.get(), bind) != 0)
  {
    std::fprintf(stderr, "mysql_stmt_bind_param() failed: %s\n", mysql_stmt_error(statement.get()));
    return false;
  }
  if (mysql_stmt_execute(statement.get()) == 0)
  {
    return true;
  }

  const unsigned int number = mysql_stmt_errno(statement.get());
  const char* serverText = mysql_stmt_error(statement.get());
  if (IsClientError(number))
  {
    // The connection failed, not the insert: a technical failure, error text untouched.
    std::fprintf(stderr, "mysql_stmt_execute() failed: %s\n", serverText);
    return false;
  }
  if (number == kDuplicateEntry)
  {
    if (Contains(serverText, "uk_username"))
    {
      error = "用户名已存在！";
    }
    else if (Contains(serverText, "uk_phone"))
    {
      error = "电话号码已被注册！";
    }
    else
    {
      error = "Duplicate entry (username or phone)";
    }
  }
  else
  {
    error = std::string("Execute failed: ") + serverText;
  }
  return false;
}

bool UserDatabase::verifyUser(std::string username, std::string password, std::string& error)
{
  if (!connection)
  {
    std::fprintf(stderr, "MySQL connection is null\n");
    return false;
  }
  if (username.empty() || password.empty())
  {
    std::fprintf(stderr, "Username or password cannot be empty\n");
    return false;
  }

  const Statement statement = ExecuteSelect(connection, username);
  if (!statement)
  {
    return false;
  }
  StoredUser stored;
  switch (FetchFirstRow(statement.get(), stored))
  {
    case Fetch::Failed:
      return false;
    case Fetch::NoRow:
    case Fetch::DoesNotFit:
      // No user of this name, or a row no sign-up makes (a value longer than its buffer):
      // either way these credentials cannot sign in.
      error.clear();
      return false;
    case Fetch::Row:
      break;
  }

  if (stored.enabled != 1)
  {
    error = "账户已禁用";
    return false;
  }
  // Whole byte strings with their lengths: a zero byte inside a password or a name counts
  // like any other byte.
  if (trim(stored.name) == username && trim(stored.password) == password)
  {
    return true;
  }
  error.clear();
  return false;
}

std::string trim(const std::string& s)
{
  const char* const blanks = " \t\n\r\f\v";
  const std::string::size_type first = s.find_first_not_of(blanks);
  if (first == std::string::npos)
  {
    return std::string();
  }
  const std::string::size_type last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}
