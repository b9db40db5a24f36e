// Answers the real QMessageBoxes that code under test opens. An
// application-wide event filter notices each box as it is shown, records what
// it shows, and queues the next scripted answer, which then runs inside the
// box's own event loop.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace quillet::testing {

class MessageBoxCatcher : public QObject {
 public:
  using Answer = std::function<void(QMessageBox&)>;

  struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;  // button texts, mnemonics stripped
    Qt::WindowModality modality = Qt::NonModal;
  };

  MessageBoxCatcher() { qApp->installEventFilter(this); }
  ~MessageBoxCatcher() override { qApp->removeEventFilter(this); }

  // Queues the answer for the next box; a box without one gets OK pressed.
  void Then(Answer answer) { answers_.push_back(std::move(answer)); }

  const std::vector<Seen>& seen() const { return seen_; }

  static void Press(QMessageBox& box, QMessageBox::StandardButton which) {
    box.button(which)->click();
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* box = qobject_cast<QMessageBox*>(object);
    if (box == nullptr) return false;

    Seen seen{box->windowTitle(), box->text(), box->icon(), {}, box->windowModality()};
    for (QAbstractButton* button : box->buttons()) seen.buttons << button->text().remove('&');
    seen_.push_back(seen);

    Answer answer = [](QMessageBox& b) { Press(b, QMessageBox::Ok); };
    if (!answers_.empty()) {
      answer = std::move(answers_.front());
      answers_.pop_front();
    }
    QPointer<QMessageBox> guarded(box);
    QMetaObject::invokeMethod(
        box,
        [guarded, answer] {
          if (guarded) answer(*guarded);
        },
        Qt::QueuedConnection);
    return false;
  }

 private:
  std::deque<Answer> answers_;
  std::vector<Seen> seen_;
};

}  // namespace quillet::testing
