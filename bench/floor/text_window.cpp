// The floor for memory: the bare window with what ours shows in its first
// paint's kind (a menu bar, tabs, a button, Japanese text in the Gothic and
// the Mincho face), drawn the toolkit's stock way. Text alone brings in
// fontconfig, FreeType, HarfBuzz and the fonts, none of which the bare
// window loads.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("text floor"));
  window.setFont(QFont(QStringLiteral("IPAGothic"), 12));
  for (const char* menu : {"ファイル(&F)", "練習(&R)", "ヘルプ(&H)"})
    window.menuBar()->addMenu(QString::fromUtf8(menu))->addAction(QStringLiteral("終了"));
  auto* central = new QWidget;
  window.setCentralWidget(central);
  auto* tabs = new QTabWidget(central);
  tabs->setGeometry(0, 0, 537, 433);
  for (const char* tab : {"POINT", "CLICK", "DORAG", "DOBLE", "特訓", "実践"})
    tabs->addTab(new QLabel(QStringLiteral("ローマ字　文字入力練習　アルファベット　単語")),
                 QString::fromUtf8(tab));
  auto* side =
      new QLabel(QStringLiteral("1.コースを選択\n  コース名を左クリック\n2.キーボード入力"), central);
  side->setFont(QFont(QStringLiteral("IPAMincho"), 13));
  side->setGeometry(544, 168, 121, 265);
  (new QPushButton(QStringLiteral("終了"), central))->setGeometry(544, 32, 121, 49);
  window.resize(672, 470);
  window.show();
  return QApplication::exec();
}
