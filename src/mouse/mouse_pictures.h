#pragma once
// The pictures of the mouse pages and the few drawing steps the pages share.
// The pictures are built into the program (Qt resource ":/pictures/"), so a
// missing data folder cannot leave a game without its sprites.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

namespace shurencho {

// The system button face; the view replaces it with its palette's colour.
inline const QColor kDefaultButtonFace(240, 240, 240);

// Loads a built-in picture ("maze_tiles.png", …); throws AppError when absent.
QImage LoadPicture(const char* name);
// One picture of a strip of square cells side by side (an image list).
QImage StripCell(const QImage& strip, int index, int size);
// An off-screen surface of the given size filled with one colour.
QImage SolidImage(int width, int height, const QColor& colour);
void FillImage(QImage& image, const QColor& colour);
void FillRect(QImage& image, const QRect& rect, const QColor& colour);
// Draws a sprite through its transparency at (x, y); clipped at the edges.
void DrawMasked(QImage& target, int x, int y, const QImage& sprite);
// Copies source's rectangle from at to the target's point to, pixels as they are.
void CopyRect(QImage& target, QPoint to, const QImage& source, const QRect& from);

}  // namespace shurencho
