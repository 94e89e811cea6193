#include "TestServer.h"

#include <mysql.h>

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace testserver
{
namespace
{

std::string ServerFolder()
{
  const char* folder = std::getenv("CORAVEX_MARIADB_DIR");
  return folder && *folder ? folder : "/var/tmp/coravex-mariadb";
}

bool RunScript(const char* script, std::string& output)
{
  const std::string command =
    std::string("bash '") + CORAVEX_SOURCE_DIR + "/scripts/" + script + "' 2>&1";
  output.clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
  {
    output = "cannot run " + command;
    return false;
  }
  std::array<char, 512> chunk;
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe))
  {
    output += chunk.data();
  }
  return pclose(pipe) == 0;
}

struct StatementCloser
{
  void operator()(MYSQL_STMT* statement) const { mysql_stmt_close(statement); }
};
using Statement = std::unique_ptr<MYSQL_STMT, StatementCloser>;

// A statement with string parameters only (nullopt binds NULL), run to its end.
Statement Run(MYSQL* connection, const char* sql, const std::vector<std::optional<std::string>>& values)
{
  if (!connection)
  {
    ADD_FAILURE() << "no administrator connection for " << sql;
    return Statement();
  }
  Statement statement(mysql_stmt_init(connection));
  EXPECT_TRUE(statement) << mysql_error(connection);
  if (!statement)
  {
    return statement;
  }
  EXPECT_EQ(mysql_stmt_prepare(statement.get(), sql, std::strlen(sql)), 0)
    << mysql_stmt_error(statement.get());
  std::vector<MYSQL_BIND> binds(values.size());
  std::vector<my_bool> nulls(values.size(), 1);
  for (size_t i = 0; i < values.size(); ++i)
  {
    binds[i] = MYSQL_BIND{};
    binds[i].buffer_type = MYSQL_TYPE_STRING;
    if (values[i])
    {
      binds[i].buffer = const_cast<char*>(values[i]->data());
      binds[i].buffer_length = static_cast<unsigned long>(values[i]->size());
    }
    else
    {
      binds[i].is_null = &nulls[i];
    }
  }
  EXPECT_EQ(mysql_stmt_bind_param(statement.get(), binds.data()), 0)
    << mysql_stmt_error(statement.get());
  EXPECT_EQ(mysql_stmt_execute(statement.get()), 0) << sql << ": " << mysql_stmt_error(statement.get());
  return statement;
}

} // namespace

bool Start(std::string& output)
{
  return RunScript("start-mariadb.sh", output);
}

bool Stop(std::string& output)
{
  return RunScript("stop-mariadb.sh", output);
}

Admin::~Admin()
{
  Close();
}

void Admin::Close()
{
  if (connection_)
  {
    mysql_close(connection_);
    connection_ = nullptr;
  }
}

bool Admin::Connect(std::string& why)
{
  if (connection_)
  {
    return true;
  }
  // The script is idempotent: it starts the server only when needed and loads the schema.
  std::string output;
  if (!Start(output))
  {
    why = "the local MariaDB server could not be started:\n" + output;
    return false;
  }
  const passwd* account = getpwuid(geteuid());
  const std::string admin = account ? account->pw_name : "root";
  const std::string socket = ServerFolder() + "/mysqld.sock";
  connection_ = mysql_init(nullptr);
  mysql_options(connection_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  if (!mysql_real_connect(connection_, "localhost", admin.c_str(), nullptr, "mysql_brisolt", 0,
                          socket.c_str(), 0))
  {
    why = "cannot sign in to the local MariaDB server as " + admin + " on " + socket + ": " +
          mysql_error(connection_);
    mysql_close(connection_);
    connection_ = nullptr;
    return false;
  }
  return true;
}

void Admin::Insert(const Row& row)
{
  std::optional<std::string> enabled;
  if (row.is_enabled)
  {
    enabled = std::to_string(*row.is_enabled);
  }
  Run(connection_,
      "INSERT INTO qv_users (username, phone, password_hash, is_enabled, description) "
      "VALUES (?, ?, ?, ?, ?)",
      {row.username, row.phone, row.password_hash, enabled, row.description});
}

std::optional<Row> Admin::Fetch(const std::string& username)
{
  // BINARY: the exact bytes, not the case-insensitive match of the table's collation.
  Statement statement = Run(connection_,
                            "SELECT username, phone, password_hash, is_enabled, description "
                            "FROM qv_users WHERE BINARY username = ?",
                            {username});
  if (!statement)
  {
    return std::nullopt;
  }
  std::array<std::array<char, 512>, 5> buffers{};
  std::array<unsigned long, 5> lengths{};
  std::array<my_bool, 5> nulls{};
  std::array<MYSQL_BIND, 5> results{};
  for (size_t i = 0; i < results.size(); ++i)
  {
    results[i].buffer_type = MYSQL_TYPE_STRING;
    results[i].buffer = buffers[i].data();
    results[i].buffer_length = static_cast<unsigned long>(buffers[i].size());
    results[i].length = &lengths[i];
    results[i].is_null = &nulls[i];
  }
  EXPECT_EQ(mysql_stmt_bind_result(statement.get(), results.data()), 0);
  if (mysql_stmt_fetch(statement.get()) != 0)
  {
    return std::nullopt;
  }
  auto text = [&](size_t i) { return std::string(buffers[i].data(), lengths[i]); };
  Row row;
  row.username = text(0);
  row.phone = text(1);
  row.password_hash = text(2);
  row.is_enabled = nulls[3] ? std::nullopt : std::optional<int>(std::stoi(text(3)));
  row.description = nulls[4] ? std::nullopt : std::optional<std::string>(text(4));
  return row;
}

void Admin::DeleteUser(const std::string& username)
{
  Run(connection_, "DELETE FROM qv_users WHERE username = ?", {username});
}

void Admin::DeletePhone(const std::string& phone)
{
  Run(connection_, "DELETE FROM qv_users WHERE phone = ?", {phone});
}

void UserTable::SetUp()
{
  std::string why;
  if (!admin.Connect(why))
  {
    GTEST_SKIP() << why;
  }
}

void UserTable::TearDown()
{
  if (names_.empty() && phones_.empty())
  {
    return;
  }
  std::string why;
  if (!admin.Connect(why))
  {
    ADD_FAILURE() << "rows of this test are left in qv_users: " << why;
    return;
  }
  for (const std::string& name : names_)
  {
    admin.DeleteUser(name);
  }
  for (const std::string& phone : phones_)
  {
    admin.DeletePhone(phone);
  }
}

std::string UserTable::NewName(const std::string& suffix)
{
  static int counter = 0;
  const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(++counter) + suffix;
  admin.DeleteUser(name);
  names_.push_back(name);
  return name;
}

std::string UserTable::NewPhone()
{
  static int counter = 0;
  char digits[16];
  std::snprintf(digits, sizeof digits, "13%07d%02d", static_cast<int>(getpid() % 10000000),
                ++counter % 100);
  admin.DeletePhone(digits);
  phones_.push_back(digits);
  return digits;
}

void UserTable::InsertRow(const std::string& username, const std::string& phone,
                          const std::string& password, std::optional<int> is_enabled)
{
  names_.push_back(username);
  phones_.push_back(phone);
  Row row;
  row.username = username;
  row.phone = phone;
  row.password_hash = password;
  row.is_enabled = is_enabled;
  admin.Insert(row);
}

} // namespace testserver
