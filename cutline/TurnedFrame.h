// TurnedFrame maps points into a frame moved to a given point and turned about +z, the frame
// in which a cap or an end zone of the working loop is measured along its arm.
#pragma once

#include <vtkNew.h>
#include <vtkTransform.h>

class TurnedFrame
{
public:
  // The frame about `origin`, turned by `degrees` (counter-clockwise seen from +z when > 0).
  TurnedFrame(const double origin[3], double degrees)
  {
    // Pre-multiply mode: a point is first moved by -origin, then turned.
    transform_->RotateZ(degrees);
    transform_->Translate(-origin[0], -origin[1], -origin[2]);
  }

  // Coordinates of p across (x') and along (y') the turned axis.
  double X(const double p[3]) const { return Map(p, 0); }
  double Y(const double p[3]) const { return Map(p, 1); }

private:
  double Map(const double p[3], int axis) const
  {
    double out[3];
    transform_->TransformPoint(p, out);
    return out[axis];
  }

  vtkNew<vtkTransform> transform_;
};
