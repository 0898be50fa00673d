// The floor for start-up figures: the least a Qt Widgets program of our
// window's size does before its first window is shown.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("bare"));
  window.resize(680, 480);
  window.show();
  return QApplication::exec();
}
