// Scratch folders for the tests and benches that write files (one of them can stand in as HOME
// for the settings files), and reading and writing a file whole.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <stdlib.h>

namespace testsupport
{

// A fresh folder in the system's temporary folder, removed with everything in it.
class TempFolder
{
public:
  TempFolder()
  {
    std::error_code ignored;
    std::string name =
      (std::filesystem::temp_directory_path(ignored) / "coravex-XXXXXX").string();
    path_ = ::mkdtemp(name.data()) ? name : "";
  }
  ~TempFolder()
  {
    if (path_.empty())
    {
      return;
    }
    // Folders a test made read-only are opened again, so that everything can be removed.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
    {
      if (it->is_directory(ignored))
      {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
          std::filesystem::perm_options::add, ignored);
      }
    }
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // False when the folder could not be made (then Path() is empty).
  bool IsValid() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted.
  std::vector<std::string> Entries() const
  {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
    {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  std::string path_;
};

// Points HOME (and so the home folder of the settings files) at a fresh empty folder while it
// lives, and gives the previous value back at the end.
class TempHome
{
public:
  TempHome()
  {
    if (const char* old = ::getenv("HOME"))
    {
      old_ = old;
    }
    ::setenv("HOME", folder_.Path().c_str(), 1);
  }
  ~TempHome()
  {
    if (old_)
    {
      ::setenv("HOME", old_->c_str(), 1);
    }
    else
    {
      ::unsetenv("HOME");
    }
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  bool IsValid() const { return folder_.IsValid(); }
  const std::string& Path() const { return folder_.Path(); }
  std::string File(const std::string& name) const { return folder_.File(name); }

private:
  TempFolder folder_;
  std::optional<std::string> old_;
};

inline std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

} // namespace testsupport
