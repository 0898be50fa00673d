#include "mouse/puzzle_page.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "history/history_recorder.h"
#include "platform/control_ids.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace shurencho {

namespace {
constexpr int kMoveDraw = 1563;
constexpr int kGapDraw = 1653;
constexpr int kMovesPerRound = 64;
constexpr int kRefusalLimit = 256;
// Far above any picture worth cutting a 4 x 4 puzzle from.
constexpr qint64 kMaxPictureFileBytes = 64LL * 1024 * 1024;
}  // namespace

PuzzlePage::PuzzlePage(Platform& platform) : m_platform(platform) {
  Image11 = LoadPicture("puzzle_picture.png");
  Image12 = LoadPicture("puzzle_question.png");
  Button5.caption = QStringLiteral("シャッフル");
  Button6.caption = QStringLiteral("画像の変更");
  Label23.caption = QStringLiteral("原画");
  Label24.caption = QStringLiteral("Ｐｕｚｌｅ");
}

void PuzzlePage::FormCreate() {
  Image9 = SolidImage(kBoardPixels, kBoardPixels, ButtonFace);
  Image10 = SolidImage(kBoardPixels, kBoardPixels, ButtonFace);
  ShufflePuzzle();
}

bool PuzzlePage::DrawPuzzle() {
  bool solved = true;
  for (int row = 0; row < PuzzleBoard::kSize; ++row) {
    for (int col = 0; col < PuzzleBoard::kSize; ++col) {
      const QPoint to(kPiecePixels * col, kPiecePixels * row);
      const int v = m_game.Board.At(row, col);
      if (v >= 0) {
        const QRect from(kPiecePixels * (v % 4), kPiecePixels * (v / 4), kPiecePixels, kPiecePixels);
        CopyRect(Image10, to, Image11, from);
        if (v != PuzzleBoard::kSize * row + col) solved = false;
      } else {
        CopyRect(Image10, to, Image12, Image12.rect());
        m_game.GapRow = row;
        m_game.GapCol = col;
      }
    }
  }
  return solved;
}

bool PuzzlePage::MoveGap(int d) {
  static constexpr int kRowStep[] = {0, -1, 0, 1};
  static constexpr int kColStep[] = {-1, 0, 1, 0};
  const int row = m_game.GapRow + kRowStep[d];
  const int col = m_game.GapCol + kColStep[d];
  if (row < 0 || row >= PuzzleBoard::kSize || col < 0 || col >= PuzzleBoard::kSize) return false;
  m_game.Board.Swap(m_game.GapRow, m_game.GapCol, row, col);
  m_game.GapRow = row;
  m_game.GapCol = col;
  return true;
}

void PuzzlePage::ShufflePuzzle() {
  m_game.Board.FillInOrder();
  // The piece taken out comes from rows and columns 0 … 2 only.
  m_game.GapRow = m_platform.Random(kGapDraw) % 3;
  m_game.GapCol = m_platform.Random(kGapDraw) % 3;
  m_game.Board.Set(m_game.GapRow, m_game.GapCol, PuzzleBoard::kGap);
  do {
    int refused = 0;
    for (int moves = 0; moves < kMovesPerRound;) {
      if (MoveGap(m_platform.Random(kMoveDraw) % 4)) {
        ++moves;
        refused = 0;
      } else if (++refused == kRefusalLimit) {
        // Only a stuck generator refuses this often (a fair one, at most
        // half the time in a corner, practically never): move on without it
        // rather than hang.
        for (int d : {3, 2, 1, 0}) {
          if (MoveGap(d)) break;
        }
        ++moves;
        refused = 0;
      }
    }
  } while (DrawPuzzle());
  m_game.PuzzleSolved = false;
  m_dealStart = 0;
  m_moves = 0;
  Image9 = Image10;
}

void PuzzlePage::Image9DblClick() {
  if (m_game.PuzzleSolved) {
    m_platform.Beep();
    return;
  }
  const QPoint p = m_platform.PointerPos(ids::Image9);
  // The pointer may have left the board before the double click is handled.
  if (p.x() < 0 || p.y() < 0 || p.x() >= kBoardPixels || p.y() >= kBoardPixels) return;
  const int row = p.y() / kPiecePixels;
  const int col = p.x() / kPiecePixels;
  if (m_history && !(m_dealStart > 0)) m_dealStart = m_platform.Now();
  if (PuzzleBoard::Adjacent(row, col, m_game.GapRow, m_game.GapCol)) {
    m_game.Board.Swap(row, col, m_game.GapRow, m_game.GapCol);
    ++m_moves;
  }
  if (DrawPuzzle()) {
    if (m_history) {
      m_history->MouseStage(MouseGame::Puzzle, 0, 0, m_moves, SecondsBetween(m_dealStart, m_platform.Now()));
    }
    // The missing piece shows again in place of the question mark.
    Image10 = Image11;
    m_game.PuzzleSolved = true;
  }
  Image9 = Image10;
}

void PuzzlePage::Button5Click() { ShufflePuzzle(); }

void PuzzlePage::Button6Click() {
  FileDialogRequest request;
  request.title = QStringLiteral("開く");
  request.filter = QStringLiteral("Bitmap(*.bmp)|*.bmp");
  request.defaultExt = QStringLiteral("bmp");
  request.initialDir = QFileInfo(m_platform.ProgramPath()).absolutePath();
  const std::optional<QString> path = m_platform.OpenFileDialog(request);
  if (!path) return;
  // Load before touching anything, so a bad file leaves picture and board as they were.
  // Only a regular file is read: a FIFO or a device must not hang the window.
  QByteArray bytes;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(*path, kMaxPictureFileBytes, &bytes, &fault))
    throw AppError(FileFaultText(fault, *path));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "bmp");
  reader.setDecideFormatFromContent(false);
  reader.setAutoDetectImageFormat(false);
  const QImage bitmap = reader.read();
  if (bitmap.isNull()) {
    throw AppError(QStringLiteral("%1 はビットマップとして読み込めません").arg(*path));
  }
  FillImage(Image11, ButtonFace);
  // The top-left corner at its own size: larger pictures are cut, not scaled.
  const QRect from(0, 0, std::min(bitmap.width(), kBoardPixels), std::min(bitmap.height(), kBoardPixels));
  CopyRect(Image11, QPoint(0, 0), bitmap.convertToFormat(QImage::Format_RGB32), from);
  ShufflePuzzle();
}

}  // namespace shurencho
