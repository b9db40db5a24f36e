// A form's controls as data: what each shell builds its widgets from, and
// the handler on the form that each control's user action calls. Every
// position is in twips relative to the client area, and nothing moves when
// the window is resized.
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>

#include "ui/forms/twips.h"

namespace quillet::forms {

// What every form (frmQLT, frmBrowse) is: the object its controls' actions
// are called on.
class Form {
 protected:
  ~Form() = default;
};

// What a control does when the user acts on it: a handler of its form,
// called by the shell with the form it shows (see Calls).
class Action {
 public:
  using Handler = void (*)(Form& form, std::size_t item);

  constexpr Action() = default;
  constexpr explicit Action(Handler handler) : handler_(handler) {}

  constexpr explicit operator bool() const { return handler_ != nullptr; }

  // Calls the handler on `form`, the form whose table holds the control;
  // `item` is the index of the item picked or opened in a list.
  void operator()(Form& form, std::size_t item = 0) const { handler_(form, item); }

 private:
  Handler handler_ = nullptr;
};

namespace detail {

// The form a handler belongs to, named in a declaration only.
template <class F>
F* FormOf(void (F::*)());
template <class F>
F* FormOf(void (F::*)(std::size_t));

template <auto handler>
void Call(Form& form, [[maybe_unused]] std::size_t item) {
  using F = std::remove_pointer_t<decltype(FormOf(handler))>;
  F& self = static_cast<F&>(form);
  if constexpr (std::is_invocable_v<decltype(handler), F&>) {
    (self.*handler)();
  } else {
    (self.*handler)(item);
  }
}

}  // namespace detail

// The action that calls `handler`, a member function of a form: a command
// (a button's click, a file list's double-click) or, with the index of the
// item, the pick of a drive or the opening of a directory.
template <auto handler>
inline constexpr Action Calls{&detail::Call<handler>};

enum class ControlKind {
  kCommandButton,  // with an access letter marked by "&"; never a default or cancel button
  kTextBox,        // one line
  kLabel,
  kFrame,        // drawn behind every control in its area
  kProgressBar,  // horizontal, 0..kProgressSteps
  kDriveList,
  kDirectoryList,
  kFileList,
};

struct Control {
  const char* name;
  ControlKind kind;
  const char* caption;  // the button's or label's caption; "" for none
  Box box;
  int tab_index;
  const char* tool_tip;  // "" for none
  // Called by the shell when the user clicks the button, picks a drive in
  // the drive list (closed on it, or changed by the keys while closed),
  // opens a directory in the directory list (a double-click, or Enter) or
  // double-clicks a file; none for the controls the user does not act on.
  Action action = {};
  bool shown_at_start = true;

  // Whether the control takes the focus: labels, frames and progress bars
  // never do, and Tab passes over them.
  bool TakesFocus() const {
    return kind != ControlKind::kLabel && kind != ControlKind::kFrame &&
           kind != ControlKind::kProgressBar;
  }
};

enum class StartUpPosition { kCentreOfScreen, kCentreOfOwner };

struct FormTable {
  const char* name;
  const char* caption;
  Box client_area;  // left and top are 0
  StartUpPosition position;
  std::span<const Control> controls;  // in tab order

  // Where the window first stands: a window of `size` (its width and
  // height) centred on the screen's work area or on its owner's window, as
  // `position` says. The areas and the result are in the shell's pixels.
  Box StartUpPlace(const Box& size, const Box& screen, const Box& owner) const;
};

}  // namespace quillet::forms
