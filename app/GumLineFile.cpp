// Reading the gum-line text file into points.
#include "app/GumLineFile.h"

#include <QFile>
#include <QStringList>

#include <cmath>

std::optional<std::vector<Point3>> ReadGumLinePoints(const QString& path)
{
  if (!QFile::exists(path))
  {
    return std::nullopt;
  }

  std::vector<Point3> points;
  QFile file(path);
  if (file.open(QIODevice::ReadOnly | QIODevice::Text))
  {
    while (!file.atEnd())
    {
      // Pieces are split at every single blank; only lines of exactly 3 or 6 pieces count.
      const QStringList pieces = QString::fromUtf8(file.readLine()).split(' ');
      if (pieces.size() != 3 && pieces.size() != 6)
      {
        continue;
      }
      // Every piece must be a finite number (the line end around the last one aside): a
      // header or a damaged line read as zeros would pull the cut line to the origin.
      double values[6];
      bool numbers = true;
      for (int i = 0; i < pieces.size() && numbers; ++i)
      {
        values[i] = pieces[i].toDouble(&numbers);
        numbers = numbers && std::isfinite(values[i]);
      }
      if (!numbers)
      {
        continue;
      }
      points.push_back(Point3{ values[0], values[1], values[2] });
    }
    file.close();
  }
  return points;
}
