// Writes every output the program derives from a jaw model into one folder, exactly (doubles in
// hexadecimal), so that two builds can be compared file by file: the working frame, the cut
// line, both offset lines, the fitted poses, both tool-path files, the collision outlines, the
// lowered cut line and the grooved model. Needs a display:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/dump_outputs <folder>
//   diff -r <folder of one build> <folder of the other>
#include "geometry/CoordinateAligner.h"
#include "tests/support/MainWindowDriver.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

#include <vtkCellArray.h>
#include <vtkMapper.h>
#include <vtkMatrix4x4.h>
#include <vtkParametricSpline.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkTransform.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

namespace
{

class Dump
{
public:
  explicit Dump(const std::string& path)
    : file_(std::fopen(path.c_str(), "w"))
  {
    if (!file_)
    {
      std::cerr << "cannot write " << path << std::endl;
    }
  }
  ~Dump()
  {
    if (file_)
    {
      std::fclose(file_);
    }
  }
  Dump(const Dump&) = delete;
  Dump& operator=(const Dump&) = delete;

  void Line(const std::string& text) { std::fprintf(file_, "%s\n", text.c_str()); }
  void Value(double v) { std::fprintf(file_, "%a\n", v); }
  void Point(const double p[3]) { std::fprintf(file_, "%a %a %a\n", p[0], p[1], p[2]); }
  void Points(vtkPoints* points)
  {
    if (!points)
    {
      Line("no points");
      return;
    }
    std::fprintf(file_, "%lld points\n", static_cast<long long>(points->GetNumberOfPoints()));
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      Point(points->GetPoint(i));
    }
  }
  void Poses(const std::vector<PoseDir>& poses)
  {
    std::fprintf(file_, "%zu poses\n", poses.size());
    for (const PoseDir& p : poses)
    {
      std::fprintf(file_, "%a %a %a  %a %a %a\n", p.point.x, p.point.y, p.point.z,
        p.direction.x, p.direction.y, p.direction.z);
    }
  }
  void Mesh(vtkPolyData* mesh)
  {
    if (!mesh)
    {
      Line("no mesh");
      return;
    }
    Points(mesh->GetPoints());
    vtkCellArray* polys = mesh->GetPolys();
    std::fprintf(file_, "%lld polys\n", static_cast<long long>(polys->GetNumberOfCells()));
    vtkNew<vtkIdList> ids;
    for (vtkIdType c = 0; c < polys->GetNumberOfCells(); ++c)
    {
      polys->GetCellAtId(c, ids);
      for (vtkIdType k = 0; k < ids->GetNumberOfIds(); ++k)
      {
        std::fprintf(file_, "%lld ", static_cast<long long>(ids->GetId(k)));
      }
      std::fprintf(file_, "\n");
    }
  }

private:
  std::FILE* file_;
};

// The points of the polydata an actor shows.
vtkPoints* ActorPoints(vtkActor* actor)
{
  if (!actor || !actor->GetMapper())
  {
    return nullptr;
  }
  auto* data = vtkPolyData::SafeDownCast(actor->GetMapper()->GetInputDataObject(0, 0));
  return data ? data->GetPoints() : nullptr;
}

void CopyFile(const QString& from, const std::string& to)
{
  QFile::remove(QString::fromStdString(to));
  if (!QFile::copy(from, QString::fromStdString(to)))
  {
    Dump(to).Line("not written");
  }
}

// The frame of a jaw, found by the aligner on a copy, and the model as the window moves it.
void DumpFrame(const std::string& out, const testsupport::SyntheticJaw& jaw, const QString& stl)
{
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(jaw.mesh);
  CoordinateAligner aligner(copy);
  bool ok = false;
  vtkSmartPointer<vtkTransform> transform = aligner.ComputeTransform(&ok);
  {
    Dump frame(out + "frame.txt");
    frame.Line(ok ? "found" : "not found");
    for (int i = 0; i < 4; ++i)
    {
      for (int j = 0; j < 4; ++j)
      {
        frame.Value(transform->GetMatrix()->GetElement(i, j));
      }
    }
  }

  DialogDriver driver;
  MainWindow window;
  MainWindowProbe probe(window);
  probe.loadStl(stl);
  probe.modelLoaded();
  probe.ui().pushButton_autoAdjust->click();
  Dump(out + "framed-model.txt").Mesh(probe.model());
}

// Everything the cut-line tools make from the jaw and its gum line, through the window.
void DumpCutLine(const std::string& out, const testsupport::SyntheticJaw& jaw, const QString& stl,
  const QString& scratch, bool groove)
{
  DialogDriver driver;
  MainWindow window;
  MainWindowProbe probe(window);
  probe.loadStl(stl);
  probe.modelLoaded();
  probe.gumLine() = jaw.gumLine;
  probe.generateCutLine(0.2, 0.3);
  contourRepresentation& rep = probe.cutLineRep();
  Dump(out + "cut-line.txt").Points(rep.GetSpline() ? rep.GetSpline()->GetPoints() : nullptr);

  rep.BuildOffsetLine(true);
  Dump(out + "offset-line-flipped.txt").Points(ActorPoints(OffsetLineActor(rep)));
  rep.BuildOffsetLine(false);
  Dump(out + "offset-line.txt").Points(ActorPoints(OffsetLineActor(rep)));

  std::vector<PoseDir> poses = cutlinetest::SampledPoses(rep.GetSpline());
  probe.generator().AdjustPosesToModel(poses);
  Dump(out + "fitted-poses.txt").Poses(poses);

  for (const char* name : { "path.gbin", "path.txt" })
  {
    const QString file = scratch + "/" + name;
    const bool saved = probe.saveCutLine(file);
    Dump(out + name + ".saved").Line(saved ? "saved" : "not saved");
    CopyFile(file, out + name);
  }

  const std::optional<bool> collided = probe.detectCollision();
  {
    Dump collision(out + "collision.txt");
    collision.Line(!collided ? "nothing checked" : *collided ? "collision" : "no collision");
    collision.Points(ActorPoints(probe.collisionActor()));
  }

  // The cut line pulled 3% toward the arch centre: the cutter runs into the model.
  {
    vtkPoints* control = rep.GetSpline()->GetPoints();
    auto inside = vtkSmartPointer<vtkPoints>::New();
    for (vtkIdType i = 0; i < control->GetNumberOfPoints(); ++i)
    {
      const double* p = control->GetPoint(i);
      inside->InsertNextPoint(0.97 * p[0], 0.97 * p[1], p[2]);
    }
    auto saved = vtkSmartPointer<vtkPoints>::New();
    saved->DeepCopy(control);
    probe.showCutLine(inside);
    const std::optional<bool> hit = probe.detectCollision();
    Dump collision(out + "collision-inside.txt");
    collision.Line(!hit ? "nothing checked" : *hit ? "collision" : "no collision");
    collision.Points(ActorPoints(probe.collisionActor()));
    probe.showCutLine(saved);
  }

  // The cut-line controls are off until a gum line is loaded through the window: the slot is
  // called directly.
  probe.ui().doubleSpinBox_move_value->setValue(0.5);
  QMetaObject::invokeMethod(&window, "slot_pushButton_moveDown");
  Dump(out + "lowered-cut-line.txt")
    .Points(rep.GetSpline() ? rep.GetSpline()->GetPoints() : nullptr);
  const QString lowered = scratch + "/lowered.gbin";
  probe.saveCutLine(lowered);
  CopyFile(lowered, out + "lowered.gbin");

  if (groove)
  {
    probe.ui().addGrooveButton->click();
    Dump(out + "grooved-model.txt").Mesh(probe.model());
  }
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::cerr << "usage: dump_outputs <folder>" << std::endl;
    return 2;
  }
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication app(argc, argv);
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  const testsupport::TempHome home;
  std::filesystem::create_directory(home.File("Velmora"));

  const std::string folder = argv[1];
  QDir().mkpath(QString::fromStdString(folder));
  const testsupport::TempFolder scratchFolder;
  const QString scratch = QString::fromStdString(scratchFolder.Path());

  struct Case
  {
    const char* name;
    testsupport::JawShape shape;
    bool groove;
  };
  for (const Case& c : { Case{ "small", testsupport::SmallJaw(), true },
         Case{ "large", testsupport::LargeJaw(), false } })
  {
    const std::string out = folder + "/" + c.name + "-";
    const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw(c.shape);
    const QString stl = scratch + "/" + c.name + ".stl";
    testsupport::WriteStl(jaw.mesh, stl.toStdString());
    DumpCutLine(out, jaw, stl, scratch, c.groove);

    const testsupport::SyntheticJaw placed = testsupport::MakeSyntheticJaw(
      c.shape, testsupport::RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 6.0));
    const QString placedStl = scratch + "/" + c.name + "-placed.stl";
    testsupport::WriteStl(placed.mesh, placedStl.toStdString());
    DumpFrame(out + "placed-", placed, placedStl);
    DumpFrame(out + "still-", jaw, stl);
  }
  std::cout << "outputs written to " << folder << std::endl;
  return 0;
}
