// Comparing a widget's picks through the model's pick locator with the same picks testing
// every triangle: a switch that holds while it lives, what one pick found, and both at pixels.
#pragma once

#include "tests/widgets/WidgetScene.h"
#include "widgets/ModelPickLocator.h"

#include <vtkCellPicker.h>
#include <vtkMath.h>
#include <vtkProp.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace widgettest
{

// Every widget picks by testing every triangle (true) or through the locator (false) while
// this lives; through the locator again afterwards.
class FullScanPicks
{
public:
  explicit FullScanPicks(bool fullScan = true) { ModelPickLocator::UseFullScan(fullScan); }
  ~FullScanPicks() { ModelPickLocator::UseFullScan(false); }
  FullScanPicks(const FullScanPicks&) = delete;
  FullScanPicks& operator=(const FullScanPicks&) = delete;
};

// What a cell picker's last pick found.
struct PickFound
{
  explicit PickFound(vtkCellPicker* picker)
    : prop(picker->GetViewProp())
    , cell(picker->GetCellId())
  {
    picker->GetPickPosition(position.data());
  }

  vtkProp* prop;
  vtkIdType cell;
  std::array<double, 3> position{};
};

// The same prop and cell, and the same point within 1e-9 where a cell was hit.
inline void ExpectSamePick(const PickFound& located, const PickFound& scanned)
{
  EXPECT_EQ(located.prop, scanned.prop);
  EXPECT_EQ(located.cell, scanned.cell);
  if (scanned.cell >= 0)
  {
    EXPECT_LE(std::sqrt(vtkMath::Distance2BetweenPoints(
                located.position.data(), scanned.position.data())),
      1e-9);
  }
}

// Every `step`-th pixel of the scene's window, after the `first` pixels.
inline std::vector<Pixel> GridPixels(WidgetScene& scene, int step, std::vector<Pixel> first = {})
{
  const int* size = scene.window->GetSize();
  for (int y = step / 2; y < size[1]; y += step)
  {
    for (int x = step / 2; x < size[0]; x += step)
    {
      first.push_back({ x, y });
    }
  }
  return first;
}

// At every pixel, `pick(at)` testing every cell and then through the locator, and
// `compare(scanned, located)` with the two answers.
template <typename Pick, typename Compare>
void CompareAtPixels(const std::vector<Pixel>& pixels, Pick pick, Compare compare)
{
  for (const Pixel& at : pixels)
  {
    SCOPED_TRACE(::testing::Message() << "pixel " << at[0] << ", " << at[1]);
    const auto scanned = [&] {
      const FullScanPicks fullScan;
      return pick(at);
    }();
    const auto located = pick(at);
    compare(scanned, located);
  }
}

} // namespace widgettest
