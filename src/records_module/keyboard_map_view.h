#pragma once
// The keyboard's character keys as the keyboard guide places them, each
// with its own key top and kana and tinted by how often it was missed
// relative to the most missed key; and the lists of weak units beneath it.

#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QWidget>

#include "data/keyboard_layout.h"
#include "history/history_records.h"

class QBoxLayout;

namespace shurencho {

class KeyboardMapView final : public QWidget {
 public:
  // keyboard: the layout drawn, kept alive by the caller.
  explicit KeyboardMapView(const KeyboardLayout& keyboard, QWidget* parent = nullptr);

  // Miss counts by key as the drill names keys ("a", ";", "-"…, or the kana
  // typed by かな入力); each is drawn on the key that types it.
  void SetCounts(const QList<QPair<QString, int>>& counts);
  int Count(const QString& key) const { return m_counts.value(key.toLower()); }
  // What each row's keys show, left to right: the key top, then its kana
  // ("Qた"), the keys parted by spaces.
  QStringList RowLegends() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct MapKey {
    double x;
    int row;
    QString top;
    QString kana;
    QStringList names;  // the names a miss may give it
  };
  double KeysWide() const;

  std::vector<MapKey> m_keys;
  QHash<QString, int> m_counts;
  QList<int> m_keyCounts;  // by drawn key
  int m_most = 0;
};

// Whether a weak unit is kana (hiragana, katakana, the long vowel mark): a
// letter, a digit or a sign that a reading holds is not.
bool IsKanaUnit(const QString& unit);
// The weak units under the map, most missed first: kana under 「かな」
// (weakList), and the other units, when there are any, under a heading of
// their own (weakOtherList).
void AddWeakUnitLists(QBoxLayout* layout, const QList<UnitWeakness>& weakest);

}  // namespace shurencho
