// Draws the program's two icons and writes them as multi-size .ico files (PNG-compressed
// entries, 16 to 256 pixels). Run by hand when the emblems change; the build uses the result.
//
//   cmake --build build --target make_icons && build/bin/make_icons resources/images
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTextStream>

#include <functional>
#include <vector>

namespace
{

using Painter = std::function<void(QPainter&)>;

const std::vector<int> kSizes = {16, 24, 32, 48, 64, 128, 256};

// The application emblem: a white molar on a blue rounded square, crossed by the cyan cut line.
void PaintVelmora(QPainter& p)
{
  QLinearGradient fill(0.0, 0.0, 0.0, 1.0);
  fill.setColorAt(0.0, QColor(0x52, 0x94, 0xff));
  fill.setColorAt(1.0, QColor(0x33, 0x67, 0xd6));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(0.02, 0.02, 0.96, 0.96), 0.2, 0.2);

  QPainterPath tooth;
  tooth.moveTo(0.26, 0.36);
  tooth.cubicTo(0.24, 0.20, 0.36, 0.16, 0.43, 0.21);
  tooth.cubicTo(0.47, 0.24, 0.53, 0.24, 0.57, 0.21);
  tooth.cubicTo(0.64, 0.16, 0.76, 0.20, 0.74, 0.36);
  tooth.cubicTo(0.73, 0.48, 0.70, 0.56, 0.68, 0.66);
  tooth.cubicTo(0.66, 0.76, 0.65, 0.86, 0.60, 0.86);
  tooth.cubicTo(0.56, 0.86, 0.56, 0.72, 0.53, 0.63);
  tooth.cubicTo(0.52, 0.58, 0.48, 0.58, 0.47, 0.63);
  tooth.cubicTo(0.44, 0.72, 0.44, 0.86, 0.40, 0.86);
  tooth.cubicTo(0.35, 0.86, 0.34, 0.76, 0.32, 0.66);
  tooth.cubicTo(0.30, 0.56, 0.27, 0.48, 0.26, 0.36);
  tooth.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(tooth);

  QPainterPath cut;
  cut.moveTo(0.14, 0.52);
  cut.cubicTo(0.36, 0.62, 0.64, 0.62, 0.86, 0.52);
  QPen pen(QColor(0x00, 0xe5, 0xff), 0.07, Qt::SolidLine, Qt::RoundCap);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawPath(cut);
}

// The second emblem: nested diamonds on a dark slate disc.
void PaintBrisolt(QPainter& p)
{
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2c, 0x3e, 0x50));
  p.drawEllipse(QRectF(0.02, 0.02, 0.96, 0.96));

  const auto diamond = [](double r) {
    return QPolygonF({QPointF(0.5, 0.5 - r), QPointF(0.5 + r, 0.5), QPointF(0.5, 0.5 + r),
                      QPointF(0.5 - r, 0.5)});
  };
  p.setBrush(Qt::white);
  p.drawPolygon(diamond(0.32));
  p.setBrush(QColor(0x42, 0x85, 0xf4));
  p.drawPolygon(diamond(0.17));
}

QByteArray RenderPng(const Painter& paint, int size)
{
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size, size); // the emblems are drawn in the unit square
    paint(p);
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

// ICO container: a 6-byte header, one 16-byte entry per image, then the PNG data.
bool WriteIco(const QString& path, const Painter& paint)
{
  std::vector<QByteArray> images;
  for (int size : kSizes)
    images.push_back(RenderPng(paint, size));

  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  QDataStream out(&file);
  out.setByteOrder(QDataStream::LittleEndian);
  out << quint16(0) << quint16(1) << quint16(images.size());
  quint32 offset = 6 + 16 * quint32(images.size());
  for (size_t i = 0; i < images.size(); ++i)
  {
    const quint8 side = kSizes[i] >= 256 ? 0 : quint8(kSizes[i]); // 0 stands for 256
    out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
        << quint32(images[i].size()) << offset;
    offset += quint32(images[i].size());
  }
  for (const QByteArray& png : images)
    out.writeRawData(png.constData(), png.size());
  return out.status() == QDataStream::Ok && file.error() == QFile::NoError;
}

} // namespace

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTextStream err(stderr);
  bool ok = true;
  for (const auto& [name, paint] : {std::pair<QString, Painter>{"Velmora.ico", PaintVelmora},
                                    std::pair<QString, Painter>{"Brisolt.ico", PaintBrisolt}})
  {
    if (!WriteIco(folder + "/" + name, paint))
    {
      err << "cannot write " << folder << "/" << name << "\n";
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
