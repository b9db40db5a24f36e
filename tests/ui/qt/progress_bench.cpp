// Measures what the progress bar costs a command: ten million value updates,
// one per line of a large file, on a shown window (offscreen by default).
//   quillet_ui_progress_bench [lines]
#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/main_window.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const long lines = argc > 1 ? std::atol(argv[1]) : 10'000'000;

  quillet::qt::MainWindow window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  quillet::forms::frmQLT& form = window.form();
  const auto start = std::chrono::steady_clock::now();
  form.ShowProgress();
  form.SetProgressMaximum(static_cast<float>(lines));
  for (long line = 1; line <= lines; ++line) form.SetProgressValue(static_cast<float>(line));
  form.HideProgress();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%ld progress values: %.3f s, %.1f ns per value\n", lines, took.count(),
              took.count() * 1e9 / static_cast<double>(lines));
  return 0;
}
