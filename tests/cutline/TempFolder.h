// A scratch folder under /tmp for the tests that write tool-path files, and reading a file
// back whole.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <stdlib.h>

namespace cutlinetest
{

// A folder of its own under /tmp, removed with everything in it.
class TempFolder
{
public:
  TempFolder()
  {
    char name[] = "/tmp/coravex-toolpath-XXXXXX";
    path_ = ::mkdtemp(name) ? name : "";
  }
  ~TempFolder()
  {
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

inline std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace cutlinetest
