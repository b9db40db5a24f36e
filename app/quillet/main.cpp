// The window program: the main window and nothing else. It reads no command
// line of its own; Qt's own options (-platform and the like) still apply.
#include <QApplication>

#include "ui/qt/appearance.h"
#include "ui/qt/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The program ends only through Exit, the window's close box or the error
  // report; a browse dialog left open never keeps it running.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(quillet::qt::QuilletIcon());
  // Wayland desktops match the window to its menu entry, and so to the
  // entry's icon, by this name.
  QApplication::setDesktopFileName(QStringLiteral(QUILLET_APP_ID));

  quillet::qt::MainWindow window;
  quillet::forms::frmQLT& form = window.form();
  form.Form_Load();
  if (form.ended()) return form.exit_status();
  window.show();
  return QApplication::exec();
}
