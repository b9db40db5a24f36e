// Measures the Qt window as a user meets it, on Qt's offscreen platform: the
// click on Read until the box "Done Reading" shows, and the OK of the Write's
// confirmation until "Done writing file" shows, for the pair STEM. Every box
// is answered OK as it appears. Run it in a scratch folder: the Read writes
// the settings file there, and the Write writes dromout.txt beside STEM.
//
//   quillet-window-bench STEM      # prints "read S write S" (seconds)
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <optional>

#include "ui/qt/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when each box shows and presses its OK once its own loop runs.
class BoxAnswerer : public QObject {
 public:
  BoxAnswerer() { qApp->installEventFilter(this); }

  std::optional<Clock::time_point> done_reading;
  std::optional<Clock::time_point> confirmed;
  std::optional<Clock::time_point> done_writing;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* box = qobject_cast<QMessageBox*>(object);
    if (box == nullptr) return false;
    const Clock::time_point now = Clock::now();
    if (box->text() == "Done Reading") done_reading = now;
    if (box->text() == "Done writing file") done_writing = now;
    const bool confirmation = box->text().startsWith("Writing to ");
    QPointer<QMessageBox> guarded(box);
    QMetaObject::invokeMethod(
        box,
        [this, guarded, confirmation] {
          if (!guarded) return;
          if (confirmation) confirmed = Clock::now();
          guarded->button(QMessageBox::Ok)->click();
        },
        Qt::QueuedConnection);
    return false;
  }
};

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quillet-window-bench STEM\n");
    return 64;
  }
  quillet::qt::MainWindow window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  BoxAnswerer boxes;
  window.findChild<QLineEdit*>("txtPathName")->setText(QString::fromLocal8Bit(argv[1]));

  const Clock::time_point read_clicked = Clock::now();
  window.findChild<QPushButton*>("cmdRead")->click();
  window.findChild<QPushButton*>("cmdWrite")->click();
  if (!boxes.done_reading || !boxes.confirmed || !boxes.done_writing) {
    std::fprintf(stderr, "quillet-window-bench: the Read or the Write did not finish\n");
    return 1;
  }
  std::printf("read %.3f write %.3f\n", Seconds(*boxes.done_reading - read_clicked),
              Seconds(*boxes.done_writing - *boxes.confirmed));
  return 0;
}
