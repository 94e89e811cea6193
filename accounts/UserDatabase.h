// Access to the user table `qv_users` on the MySQL server: one connection per object, used
// by the sign-in dialog to check a user and by the sign-up dialog to add one.
#pragma once

#include <string>

typedef struct st_mysql MYSQL;

// The fields of one new user. The password is stored as typed (no hashing).
struct UserRecord
{
  std::string username;
  std::string phone;
  std::string password_hash;
  std::string description; // empty is stored as NULL
  int is_enabled = 1;      // 1 may sign in; only the low byte is sent
};

// What both dialogs tell the user when the server cannot be reached, stalls or drops the
// connection. They also hand it in as the error text, which a technical failure leaves as it is.
inline const char* const kServerFaultText = "无法连接服务器，请稍后重试。";

// The longest stored user name and password, in bytes, that `verifyUser` reads back; a row with
// longer values never signs in, so sign-up keeps to them.
inline constexpr unsigned long kStoredUsernameBytes = 100;
inline constexpr unsigned long kStoredPasswordBytes = 60;

// Connects in the constructor and closes the connection in the destructor; every query is
// a prepared statement that lives for one call. Connecting, and every read and write on the
// connection, gives up after 5 seconds.
class UserDatabase
{
public:
  // Throws std::runtime_error when the server cannot be reached.
  UserDatabase();
  ~UserDatabase();

  UserDatabase(const UserDatabase&) = delete;
  UserDatabase& operator=(const UserDatabase&) = delete;

  // Inserts the record. On failure `error` may get a text for the user (duplicate user name
  // or phone, empty fields, a server error); technical failures (no statement, a lost or
  // timed-out connection) leave it untouched.
  bool registerUser(const UserRecord& record, std::string& error);

  // True when an enabled row with exactly this user name and password exists. On failure
  // `error` becomes "账户已禁用" for a disabled account, is cleared for a wrong name or
  // password (also for a stored row whose values do not fit the 100- and 60-byte reads), and
  // is left untouched on technical failures and on empty input. Names and passwords compare
  // as whole byte strings.
  bool verifyUser(std::string username, std::string password, std::string& error);

private:
  const char* host;
  const char* user;
  const char* password;
  const char* database;
  unsigned int port;
  MYSQL* connection;
};

// `s` without the ASCII white space (blank, \t, \n, \r, \f, \v) at either end.
std::string trim(const std::string& s);
