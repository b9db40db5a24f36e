#include "ui/qt/form_widgets.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <limits>

#include "ui/forms/main_window_view.h"
#include "ui/qt/appearance.h"
#include "ui/qt/text.h"

namespace quillet::qt {
namespace {

using forms::Control;
using forms::ControlKind;

constexpr double kSmallestPoints = 6.0;

// Shrinks the label's font, in half points, until its caption fits the fixed
// width it was given; fonts differ from machine to machine.
void FitCaption(QLabel& label) {
  QFont font = label.font();
  while (QFontMetrics(font).horizontalAdvance(label.text()) > label.width() &&
         font.pointSizeF() > kSmallestPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label.setFont(font);
}

QWidget* MakeWidget(QWidget& window, const Control& control, const ListMaker& make_list) {
  const QString caption = ToQString(control.caption);
  switch (control.kind) {
    case ControlKind::kCommandButton: {
      auto* button = new QPushButton(caption, &window);
      button->setAutoDefault(false);
      button->setDefault(false);
      button->setFocusPolicy(Qt::StrongFocus);
      return button;
    }
    case ControlKind::kTextBox: {
      auto* text_box = new QLineEdit(&window);
      // A stem is as long as the user makes it.
      text_box->setMaxLength(std::numeric_limits<int>::max());
      return text_box;
    }
    case ControlKind::kLabel:
      return new QLabel(caption, &window);
    case ControlKind::kFrame:
      return new QGroupBox(caption, &window);
    case ControlKind::kProgressBar: {
      auto* bar = new QProgressBar(&window);
      bar->setOrientation(Qt::Horizontal);
      bar->setTextVisible(false);
      bar->setRange(0, forms::kProgressSteps);
      bar->setValue(0);
      return bar;
    }
    case ControlKind::kDriveList:
    case ControlKind::kDirectoryList:
    case ControlKind::kFileList:
      break;
  }
  return make_list(control);
}

// The user's action on the widget: a click, a drive picked, a directory
// opened (double-click or Enter), a file double-clicked.
void ConnectAction(QWidget* widget, const Control& control, forms::Form& form) {
  const forms::Action action = control.action;
  if (!action) return;
  switch (control.kind) {
    case ControlKind::kCommandButton:
      QObject::connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, widget,
                       [&form, action] { action(form); });
      break;
    case ControlKind::kDriveList:
      QObject::connect(
          static_cast<QComboBox*>(widget), &QComboBox::activated, widget,
          [&form, action](int index) { action(form, static_cast<std::size_t>(index)); });
      break;
    case ControlKind::kDirectoryList: {
      auto* list = static_cast<QListWidget*>(widget);
      QObject::connect(list, &QListWidget::itemActivated, list,
                       [&form, action, list](QListWidgetItem* item) {
                         action(form, static_cast<std::size_t>(list->row(item)));
                       });
      break;
    }
    case ControlKind::kFileList:
      QObject::connect(static_cast<QListWidget*>(widget), &QListWidget::itemDoubleClicked, widget,
                       [&form, action] { action(form); });
      break;
    default:
      break;
  }
}

}  // namespace

void BuildControls(QWidget& window, const forms::FormTable& table, forms::Form& form,
                   const ListMaker& make_list) {
  QWidget* previous = nullptr;
  QWidget* first = nullptr;
  for (const Control& control : table.controls) {
    QWidget* widget = MakeWidget(window, control, make_list);
    ConnectAction(widget, control, form);
    widget->setObjectName(QString::fromLatin1(control.name));
    // Fixed positions: nothing moves or resizes with the window.
    widget->setGeometry(PixelRect(window, control.box));
    widget->setToolTip(ToQString(control.tool_tip));
    if (auto* label = qobject_cast<QLabel*>(widget)) FitCaption(*label);
    if (control.kind == ControlKind::kFrame) widget->lower();
    if (!control.shown_at_start) widget->hide();
    if (!control.TakesFocus()) {
      widget->setFocusPolicy(Qt::NoFocus);
      continue;
    }
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    if (first == nullptr) first = widget;
    previous = widget;
  }
  if (first != nullptr) first->setFocus(Qt::OtherFocusReason);
}

}  // namespace quillet::qt
