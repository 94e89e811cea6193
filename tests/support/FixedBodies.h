// The fixed bodies that ship beside the program ("cross_2.2.stl", "baseplate1.stl"), found
// for tests and benchmarks in the source tree's data/ folder or beside the executable.
#pragma once

#include <vtkSmartPointer.h>

#include <string>

class vtkPolyData;

namespace testsupport
{

// data/<name> under $CORAVEX_SOURCE_DIR when that is set (ctest sets it), else <name> in the
// folder of the running executable (the build's bin folder, where the build copies them).
std::string FixedBodyPath(const std::string& name);

// The file's mesh as the program reads it (vtkSTLReader with its defaults); empty polydata
// when the file is missing.
vtkSmartPointer<vtkPolyData> ReadFixedBody(const std::string& name);

// Folder of the running executable.
std::string ExecutableFolder();

} // namespace testsupport
