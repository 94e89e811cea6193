#include "tests/support/FixedBodies.h"

#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkSTLReader.h>

#include <cstdlib>
#include <filesystem>

namespace testsupport
{

std::string ExecutableFolder()
{
  return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

std::string FixedBodyPath(const std::string& name)
{
  if (const char* source = std::getenv("CORAVEX_SOURCE_DIR"))
  {
    return std::string(source) + "/data/" + name;
  }
  return ExecutableFolder() + "/" + name;
}

vtkSmartPointer<vtkPolyData> ReadFixedBody(const std::string& name)
{
  auto body = vtkSmartPointer<vtkPolyData>::New();
  const std::string path = FixedBodyPath(name);
  if (!std::filesystem::exists(path))
  {
    return body;
  }
  vtkNew<vtkSTLReader> reader;
  reader->SetFileName(path.c_str());
  reader->Update();
  body->DeepCopy(reader->GetOutput());
  return body;
}

} // namespace testsupport
