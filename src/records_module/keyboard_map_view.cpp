#include "records_module/keyboard_map_view.h"

#include <QPainter>
#include <algorithm>

#include "report/records_summary.h"

namespace shurencho {

namespace {

struct KeyRow {
  double indent;  // in key widths, as the rows are staggered
  QStringList keys;
};

// The rows of a JIS keyboard that typing romaji uses; the ¥ key and the ろ
// key both stand at their row's end.
const QList<KeyRow>& Rows() {
  static const QList<KeyRow> rows = {
      {0.0, QString::fromUtf8("1 2 3 4 5 6 7 8 9 0 - ^ ¥").split(QLatin1Char(' '))},
      {0.5, QStringLiteral("q w e r t y u i o p @ [").split(QLatin1Char(' '))},
      {0.75, QStringLiteral("a s d f g h j k l ; : ]").split(QLatin1Char(' '))},
      {1.25, QStringLiteral("z x c v b n m , . / \\").split(QLatin1Char(' '))},
  };
  return rows;
}

constexpr int kKey = 34;
constexpr int kGap = 3;

}  // namespace

KeyboardMapView::KeyboardMapView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(sizeHint());
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize KeyboardMapView::sizeHint() const { return QSize(int(14.5 * (kKey + kGap)), 4 * (kKey + kGap) + 8); }

void KeyboardMapView::SetCounts(const QList<QPair<QString, int>>& counts) {
  m_counts.clear();
  for (const auto& [key, n] : counts) m_counts[key.toLower()] += n;
  m_heat = KeyHeat(counts);
  update();
}

void KeyboardMapView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int pitch = kKey + kGap;
  const double left = std::max(0.0, (width() - 14.5 * pitch) / 2);
  QFont keyFont = font();
  keyFont.setPixelSize(14);
  QFont countFont = font();
  countFont.setPixelSize(10);
  for (int r = 0; r < Rows().size(); ++r) {
    const KeyRow& row = Rows()[r];
    for (int i = 0; i < row.keys.size(); ++i) {
      const QString& key = row.keys[i];
      const QRectF box(left + (row.indent + i) * pitch, 4 + r * pitch, kKey, kKey);
      const double heat = m_heat.value(key);
      // White for no misses, deepening to red for the most missed key.
      const QColor fill = QColor::fromRgbF(1.0, 1.0 - 0.75 * heat, 1.0 - 0.8 * heat);
      p.setPen(QPen(palette().color(QPalette::Mid), 1));
      p.setBrush(fill);
      p.drawRoundedRect(box, 4, 4);
      p.setPen(heat > 0.6 ? Qt::white : Qt::black);
      p.setFont(keyFont);
      p.drawText(box.adjusted(0, 2, 0, -kKey / 3.0), Qt::AlignCenter, key.toUpper());
      const int n = m_counts.value(key);
      if (n > 0) {
        p.setFont(countFont);
        p.drawText(box.adjusted(0, kKey / 2.0, 0, -1), Qt::AlignCenter, QString::number(n));
      }
    }
  }
}

}  // namespace shurencho
