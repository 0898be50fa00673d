// Draws the pictures of the four mouse pages and writes them as PNG files
// into the folder given on the command line (the program's assets/):
//   maze_tiles.png       64 x 16  floor, wall, start, goal
//   click_sprites.png    32 x 16  target, hit mark (transparent ground)
//   drag_sprites.png     32 x 16  resting ball, ball in the hand (transparent ground)
//   puzzle_picture.png  256 x 256 the built-in numbered puzzle picture
//   puzzle_question.png  64 x 64  the piece shown at the gap
// Sprites are drawn without antialiasing so their transparency is all or
// nothing, like a mask.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <cstdio>

namespace {

QImage Transparent(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

QImage MazeTiles() {
  QImage img(64, 16, QImage::Format_RGB32);
  const QColor colours[] = {Qt::white, Qt::black, QColor(0, 255, 255), QColor(255, 0, 0)};
  QPainter p(&img);
  for (int i = 0; i < 4; ++i) p.fillRect(16 * i, 0, 16, 16, colours[i]);
  return img;
}

QImage ClickSprites() {
  QImage img = Transparent(32, 16);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  // Target: a thin outer circle, then a red disc ringed in black.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 1));
  p.drawEllipse(0, 0, 15, 15);
  p.setBrush(QColor(255, 0, 0));
  p.setPen(QPen(Qt::black, 1));
  p.drawEllipse(3, 3, 9, 9);
  // Hit mark: a green plus sign outlined in black, filling its cell.
  const QPolygon plus({QPoint(21, 0), QPoint(26, 0), QPoint(26, 5), QPoint(31, 5), QPoint(31, 10),
                       QPoint(26, 10), QPoint(26, 15), QPoint(21, 15), QPoint(21, 10), QPoint(16, 10),
                       QPoint(16, 5), QPoint(21, 5)});
  p.setBrush(QColor(0, 255, 0));
  p.setPen(QPen(Qt::black, 1));
  p.drawPolygon(plus);
  return img;
}

QImage DragSprites() {
  QImage img = Transparent(32, 16);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(192, 192, 192));
  p.drawEllipse(0, 0, 15, 15);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(16, 0, 16, 16);
  return img;
}

// A grey tile with a raised edge: light on the top and left, dark on the
// bottom and right.
void RaisedTile(QPainter& p, const QRect& r) {
  p.fillRect(r, QColor(192, 192, 192));
  for (int i = 0; i < 3; ++i) {
    p.setPen(Qt::white);
    p.drawLine(r.left() + i, r.top() + i, r.right() - i, r.top() + i);
    p.drawLine(r.left() + i, r.top() + i, r.left() + i, r.bottom() - i);
    p.setPen(QColor(96, 96, 96));
    p.drawLine(r.left() + i, r.bottom() - i, r.right() - i, r.bottom() - i);
    p.drawLine(r.right() - i, r.top() + i, r.right() - i, r.bottom() - i);
  }
}

QImage PuzzlePicture() {
  QImage img(256, 256, QImage::Format_RGB32);
  QPainter p(&img);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(32);
  font.setBold(true);
  p.setFont(font);
  for (int v = 0; v < 16; ++v) {
    const QRect r(64 * (v % 4), 64 * (v / 4), 64, 64);
    RaisedTile(p, r);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, QString::number(v + 1));
  }
  return img;
}

QImage QuestionPiece() {
  QImage img(64, 64, QImage::Format_RGB32);
  QPainter p(&img);
  p.fillRect(img.rect(), QColor(192, 192, 192));
  p.setPen(QPen(Qt::black, 3));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(1.5, 1.5, 61, 61));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(48);
  font.setBold(true);
  p.setFont(font);
  p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("?"));
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures ASSETS_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const struct {
    const char* name;
    QImage image;
  } pictures[] = {
      {"maze_tiles.png", MazeTiles()},          {"click_sprites.png", ClickSprites()},
      {"drag_sprites.png", DragSprites()},      {"puzzle_picture.png", PuzzlePicture()},
      {"puzzle_question.png", QuestionPiece()},
  };
  for (const auto& pic : pictures) {
    const QString path = out.filePath(QString::fromLatin1(pic.name));
    if (!pic.image.save(path, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
