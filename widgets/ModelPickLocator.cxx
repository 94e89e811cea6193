// Attaching the model's shared pick locator to a widget's pickers before each pick.
#include "widgets/ModelPickLocator.h"

#include "widgets/SurfacePickLocator.h"

#include <vtkActor.h>
#include <vtkCellPicker.h>
#include <vtkMapper.h>

namespace
{
bool fullScanOnly = false;
} // namespace

ModelPickLocator::ModelPickLocator() = default;

ModelPickLocator::~ModelPickLocator() = default;

void ModelPickLocator::UseFullScan(bool fullScan)
{
  fullScanOnly = fullScan;
}

void ModelPickLocator::Release(vtkCellPicker* picker)
{
  if (picker)
  {
    picker->RemoveAllLocators();
  }
  this->Locator = nullptr;
}

SurfacePickLocator* ModelPickLocator::GetLocator() const
{
  return this->Locator;
}

void ModelPickLocator::Serve(vtkCellPicker* picker, vtkActor* model)
{
  if (!picker)
  {
    return;
  }
  picker->RemoveAllLocators();
  vtkMapper* mapper = model ? model->GetMapper() : nullptr;
  vtkDataSet* data = mapper ? mapper->GetInput() : nullptr;
  if (!data)
  {
    // Nothing to search: an earlier model is let go.
    this->Locator = nullptr;
    return;
  }
  // With clipping planes the picker hands a locator a shortened ray and measures its hits
  // differently from its full scan.
  if (fullScanOnly || mapper->GetNumberOfClippingPlanes() > 0)
  {
    return;
  }
  if (!this->Locator || this->Locator->GetDataSet() != data)
  {
    this->Locator = SurfacePickLocator::Shared(data);
  }
  this->Locator->SetPickTolerance(picker->GetTolerance());
  // Builds only when the geometry is new to the locator or was modified since its last build.
  this->Locator->Update();
  if (this->Locator->CanPick())
  {
    picker->AddLocator(this->Locator);
  }
}
