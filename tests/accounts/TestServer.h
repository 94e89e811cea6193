// The local MariaDB test server seen from the tests: its start and stop scripts, and an
// administrator connection for rows the program itself cannot make (or remove).
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

typedef struct st_mysql MYSQL;

namespace testserver
{

// Runs scripts/start-mariadb.sh or scripts/stop-mariadb.sh; false with the script's output.
bool Start(std::string& output);
bool Stop(std::string& output);

// One row of qv_users as stored; nullopt fields are NULL.
struct Row
{
  std::string username;
  std::string phone;
  std::string password_hash;
  std::optional<int> is_enabled = 1;
  std::optional<std::string> description;
};

// The server's administrator over the unix socket; the server is started when needed.
class Admin
{
public:
  Admin() = default;
  ~Admin();
  Admin(const Admin&) = delete;
  Admin& operator=(const Admin&) = delete;

  // False with the reason when the server cannot be started or reached.
  bool Connect(std::string& why);
  // Drops the connection (before the server is stopped); Connect makes a new one.
  void Close();

  void Insert(const Row& row);
  std::optional<Row> Fetch(const std::string& username);
  void DeleteUser(const std::string& username);
  void DeletePhone(const std::string& phone);

private:
  MYSQL* connection_ = nullptr;
};

// Base fixture of the tests that use the table: skips when no server can be started, hands
// out user names and phones unique to this test process, and deletes their rows afterwards.
class UserTable : public testing::Test
{
protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh user name "t<pid>_<n>" + suffix (no row of that name or phone is left over).
  std::string NewName(const std::string& suffix = "");
  // A fresh valid mobile number "13" + nine digits.
  std::string NewPhone();
  // Inserts a row as administrator (description NULL) and deletes it after the test.
  void InsertRow(const std::string& username, const std::string& phone, const std::string& password,
                 std::optional<int> is_enabled = 1);

  Admin admin;

private:
  std::vector<std::string> names_;
  std::vector<std::string> phones_;
};

} // namespace testserver
