#include "ui/history_notice_view.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace shurencho {

QString HistoryStateText(const HistoryStatus& s) {
  if (s.reason.isEmpty() && s.waitingRows == 0) return {};
  QStringList lines;
  switch (s.state) {
    case HistoryStatus::State::Off:
      lines << QStringLiteral("学習履歴のファイルを使えません。");
      break;
    case HistoryStatus::State::Waiting:
      lines << QStringLiteral(
          "学習履歴のファイルに今は書き込めません。書き込めるようになりしだい記録します。");
      break;
    default:
      lines << QStringLiteral("学習履歴に書き込んでいる途中です。");
      break;
  }
  if (!s.file.isEmpty()) lines << QDir::toNativeSeparators(s.file);
  if (!s.reason.isEmpty()) lines << s.reason;
  if (s.waitingRows > 0) {
    QString waiting = QStringLiteral("書き込みを待っている記録：%1 件").arg(s.waitingRows);
    waiting += s.kept && !s.journal.isEmpty()
                   ? QStringLiteral("（%1 に保存してあり、ファイルが使えるようになりしだい書き込みます）")
                         .arg(QDir::toNativeSeparators(s.journal))
                   : QStringLiteral("（まだ保存できていません）");
    lines << waiting;
  }
  return lines.join(QLatin1Char('\n'));
}

HistoryNoticeView::HistoryNoticeView(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_main(mainWindow) {
  setObjectName(QStringLiteral("historyNotice"));
  setWindowTitle(QStringLiteral("学習履歴"));
  // Shown beside the practice, never in the way of its keys.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  m_text = new QLabel;
  m_text->setTextFormat(Qt::PlainText);  // file names and reasons are never markup
  m_text->setWordWrap(true);
  m_text->setFocusPolicy(Qt::NoFocus);
  auto* close = new QPushButton(QStringLiteral("閉じる"));
  close->setObjectName(QStringLiteral("closeNotice"));
  close->setFocusPolicy(Qt::NoFocus);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_text, 1);
  layout->addLayout(row);
}

QString HistoryNoticeView::text() const { return m_text->text(); }

void HistoryNoticeView::Tell(const QString& text) {
  m_text->setText(text);
  Place();
  show();
}

void HistoryNoticeView::Place() {
  QRect frame = m_main->frameGeometry();
  const int width = frame.width();
  if (m_neighbour != nullptr && m_neighbour->isVisible()) frame = frame.united(m_neighbour->frameGeometry());
  setFixedWidth(width);
  adjustSize();
  const QRect screen = m_main->screen() ? m_main->screen()->availableGeometry() : QRect();
  QPoint at(m_main->frameGeometry().left(), frame.bottom() + 1);
  if (screen.isValid() && at.y() + frameGeometry().height() > screen.bottom())
    at.setY(std::max(screen.top(), frame.top() - frameGeometry().height()));
  move(at);
}

}  // namespace shurencho
