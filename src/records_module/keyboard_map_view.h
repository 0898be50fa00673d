#pragma once
// The JIS keyboard's number and letter rows, each key tinted by how often it
// was missed relative to the most missed key.

#include <QHash>
#include <QList>
#include <QPair>
#include <QWidget>

namespace shurencho {

class KeyboardMapView final : public QWidget {
 public:
  explicit KeyboardMapView(QWidget* parent = nullptr);

  // Miss counts by key (as the drill names keys: "a", ";", "-"…).
  void SetCounts(const QList<QPair<QString, int>>& counts);
  int Count(const QString& key) const { return m_counts.value(key.toLower()); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QHash<QString, int> m_counts;
  QHash<QString, double> m_heat;
};

}  // namespace shurencho
