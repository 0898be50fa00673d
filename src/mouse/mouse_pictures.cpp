#include "mouse/mouse_pictures.h"

#include <QPainter>

#include "text/errors.h"

namespace shurencho {

QImage LoadPicture(const char* name) {
  const QString path = QStringLiteral(":/pictures/") + QString::fromLatin1(name);
  QImage image(path);
  if (image.isNull()) throw AppError(QStringLiteral("画像がありません: ") + path);
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
}

QImage StripCell(const QImage& strip, int index, int size) { return strip.copy(index * size, 0, size, size); }

QImage SolidImage(int width, int height, const QColor& colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

void FillImage(QImage& image, const QColor& colour) { image.fill(colour); }

void FillRect(QImage& image, const QRect& rect, const QColor& colour) {
  QPainter p(&image);
  p.fillRect(rect, colour);
}

void DrawMasked(QImage& target, int x, int y, const QImage& sprite) {
  QPainter p(&target);
  p.drawImage(x, y, sprite);
}

void CopyRect(QImage& target, QPoint to, const QImage& source, const QRect& from) {
  QPainter p(&target);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(to, source, from);
}

}  // namespace shurencho
