#include "records_module/keyboard_map_view.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <algorithm>

#include "data/kana_keys.h"
#include "report/records_summary.h"

namespace shurencho {

namespace {

constexpr int kKey = 34;
constexpr int kGap = 3;
constexpr int kPitch = kKey + kGap;

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

KeyboardMapView::KeyboardMapView(const KeyboardLayout& keyboard, QWidget* parent) : QWidget(parent) {
  // Its character keys, placed from the leftmost of them: ¥ stands left of
  // BS and ろ right of ／ on JIS, ` left of 1 on US.
  double left = 1e9;
  for (const KeyCap& k : keyboard.keys()) {
    if (IsCharacterKey(k)) left = std::min(left, k.x);
  }
  const auto text = [](QChar c) { return c.isNull() ? QString() : QString(c); };
  for (const KeyCap& k : keyboard.keys()) {
    if (!IsCharacterKey(k)) continue;
    m_keys.push_back({k.x - left, int(k.y), k.top, text(KanaOfKey(k.jis, false)), MissNames(k)});
  }
  setMinimumSize(sizeHint());
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

double KeyboardMapView::KeysWide() const {
  double wide = 0;
  for (const MapKey& k : m_keys) wide = std::max(wide, k.x + 1);
  return wide;
}

QSize KeyboardMapView::sizeHint() const { return QSize(int(KeysWide() * kPitch) + 8, 4 * kPitch + 8); }

QStringList KeyboardMapView::RowLegends() const {
  QStringList rows;
  for (const MapKey& k : m_keys) {
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
  for (const MapKey& k : m_keys) {
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
  for (int i = 0; i < int(m_keys.size()); ++i) {
    const MapKey& key = m_keys[size_t(i)];
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
