#include "records_module/keyboard_map_view.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <algorithm>

#include "data/kana_keys.h"
#include "drill/keyboard_guide.h"
#include "report/records_summary.h"

namespace shurencho {

namespace {

// A character key as the map draws it, placed in key widths from the 1 key.
struct MapKey {
  double x;
  int row;
  QString top;
  QString kana;
  QStringList names;  // the names a miss may give it
};

// The guide's keyboard is the one JIS layout: the map takes its character
// keys and places from it, so ¥ stands left of BS and ろ right of ／.
const QList<MapKey>& Keys() {
  static const QList<MapKey> keys = [] {
    QList<MapKey> out;
    const std::span<const GuideKeyCap> caps = GuideKeyboard();
    double left = 1e9;
    for (const GuideKeyCap& k : caps) {
      if (k.jis != JisKey::None) left = std::min(left, k.x);
    }
    for (const GuideKeyCap& k : caps) {
      if (k.jis == JisKey::None) continue;
      const auto text = [](QChar c) { return c.isNull() ? QString() : QString(c); };
      MapKey key{k.x - left, int(k.y), QString::fromUtf16(k.top), text(KanaOfKey(k.jis, false)), {}};
      const QString candidates[] = {text(QChar(k.plain)), text(QChar(k.shifted)), key.top, key.kana,
                                    text(KanaOfKey(k.jis, true))};
      for (const QString& name : candidates) {
        const QString lower = name.toLower();
        if (name.size() == 1 && !key.names.contains(lower)) key.names.append(lower);
      }
      out.append(key);
    }
    return out;
  }();
  return keys;
}

constexpr int kKey = 34;
constexpr int kGap = 3;
constexpr int kPitch = kKey + kGap;

double KeysWide() {
  double wide = 0;
  for (const MapKey& k : Keys()) wide = std::max(wide, k.x + 1);
  return wide;
}

QTableWidget* NewWeakTable(const QList<UnitWeakness>& units, const char* name, const QString& heading) {
  auto* table = new QTableWidget(int(units.size()), 3);
  table->setObjectName(QString::fromLatin1(name));
  table->setHorizontalHeaderLabels({heading, QStringLiteral("ミス"), QStringLiteral("よく押し間違えたキー")});
  table->horizontalHeader()->setStretchLastSection(true);
  table->verticalHeader()->setVisible(false);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int i = 0; i < units.size(); ++i) {
    const UnitWeakness& w = units[i];
    QStringList keys;
    for (const auto& [key, n] : w.wrongKeys)
      keys.append(QStringLiteral("%1（%2 回）").arg(KeyName(key), QString::number(n)));
    table->setItem(i, 0, new QTableWidgetItem(w.unit));
    table->setItem(i, 1, new QTableWidgetItem(QString::number(w.misses)));
    table->setItem(i, 2, new QTableWidgetItem(keys.join(QStringLiteral("、"))));
  }
  table->resizeColumnsToContents();
  table->setColumnWidth(0, std::max(table->columnWidth(0), 80));
  return table;
}

}  // namespace

KeyboardMapView::KeyboardMapView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(sizeHint());
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize KeyboardMapView::sizeHint() const { return QSize(int(KeysWide() * kPitch) + 8, 4 * kPitch + 8); }

QStringList KeyboardMapView::RowLegends() {
  QStringList rows;
  for (const MapKey& k : Keys()) {
    if (rows.size() <= k.row) rows.resize(k.row + 1);
    QString& row = rows[k.row];
    if (!row.isEmpty()) row += QLatin1Char(' ');
    row += k.top + k.kana;
  }
  return rows;
}

void KeyboardMapView::SetCounts(const QList<QPair<QString, int>>& counts) {
  m_counts.clear();
  for (const auto& [key, n] : counts) {
    if (n > 0) m_counts[key.toLower()] += n;
  }
  m_keyCounts.clear();
  m_most = 0;
  for (const MapKey& k : Keys()) {
    int n = 0;
    for (const QString& name : k.names) n += m_counts.value(name);
    m_keyCounts.append(n);
    m_most = std::max(m_most, n);
  }
  update();
}

void KeyboardMapView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double left = std::max(0.0, (width() - KeysWide() * kPitch) / 2);
  QFont keyFont = font();
  keyFont.setPixelSize(14);
  QFont smallFont = font();
  smallFont.setPixelSize(10);
  const QList<MapKey>& keys = Keys();
  for (int i = 0; i < keys.size(); ++i) {
    const MapKey& key = keys[i];
    const QRectF box(left + key.x * kPitch, 4 + key.row * kPitch, kKey, kKey);
    const int n = m_keyCounts.value(i);
    const double heat = m_most > 0 ? double(n) / m_most : 0.0;
    // White for no misses, deepening to red for the most missed key.
    const QColor fill = QColor::fromRgbF(1.0, 1.0 - 0.75 * heat, 1.0 - 0.8 * heat);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 4, 4);
    p.setPen(heat > 0.6 ? Qt::white : Qt::black);
    const QRectF upper = box.adjusted(3, 1, -3, -kKey / 2.0);
    p.setFont(keyFont);
    p.drawText(upper, Qt::AlignLeft | Qt::AlignVCenter, key.top);
    p.setFont(smallFont);
    p.drawText(upper, Qt::AlignRight | Qt::AlignVCenter, key.kana);
    if (n > 0) p.drawText(box.adjusted(0, kKey / 2.0, 0, -1), Qt::AlignCenter, QString::number(n));
  }
}

bool IsKanaUnit(const QString& unit) {
  if (unit.isEmpty()) return false;
  return std::all_of(unit.cbegin(), unit.cend(), [](QChar c) {
    const char16_t u = c.unicode();
    // The hiragana and katakana blocks less their middle dot, and the half-width kana.
    return (u >= 0x3041 && u <= 0x30FF && u != 0x30A0 && u != 0x30FB) || (u >= 0xFF66 && u <= 0xFF9F);
  });
}

void AddWeakUnitLists(QBoxLayout* layout, const QList<UnitWeakness>& weakest) {
  QList<UnitWeakness> kana;
  QList<UnitWeakness> other;
  for (const UnitWeakness& w : weakest) (IsKanaUnit(w.unit) ? kana : other).append(w);
  layout->addWidget(new QLabel(QStringLiteral("苦手なかな（ミスの多い順）")));
  layout->addWidget(NewWeakTable(kana, "weakList", QStringLiteral("かな")), 1);
  if (other.isEmpty()) return;
  layout->addWidget(new QLabel(QStringLiteral("苦手な文字・記号（ミスの多い順）")));
  layout->addWidget(NewWeakTable(other, "weakOtherList", QStringLiteral("文字")), 1);
}

}  // namespace shurencho
