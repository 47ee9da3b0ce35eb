// The yardstick for the program's start-up: a minimal Qt window with a serial port, measured
// the way the benchmark measures the main menu. Prints the milliseconds from main() until the
// window's first paint is on the screen, and the steady clock's time then (in microseconds, for the
// time from the process's start), and exits.
#include <QApplication>
#include <QPushButton>
#include <QSerialPort>
#include <QVBoxLayout>
#include <QWidget>
#include <chrono>
#include <cstdio>

#include "bench/first_paint.h"

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QPushButton("Connect", &window));
  QSerialPort port(&window);
  port.setPortName("ttyUSB0");
  bench::showUntilPainted(window);
  const auto shown = std::chrono::steady_clock::now();
  std::printf("%.3f %.0f\n", std::chrono::duration<double, std::milli>(shown - started).count(),
              std::chrono::duration<double, std::micro>(shown.time_since_epoch()).count());
  return 0;
}
