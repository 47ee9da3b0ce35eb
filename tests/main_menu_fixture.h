#pragma once
// The main menu built offscreen on a simulated unit in memory, with message boxes recorded and
// help launches counted: the fixture of the window tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <functional>

#include "app/main_window.h"
#include "sim/sim_port.h"
#include "ui/help.h"
#include "words/messages.h"

struct MainMenuFixture : ::testing::Test {
  struct CountingHelp : ui::HelpLauncher {
    void open() override { ++opened; }
    int opened = 0;
  };

  // Recorded boxes; `whenShown` looks at the window while a box would be waiting for its OK.
  struct Boxes : words::RecordedMessages {
    using Messages::show;
    void show(const words::Message& message) override {
      RecordedMessages::show(message);
      if (whenShown) whenShown();
    }
    std::function<void()> whenShown;
  };

  sim::Unit unit;
  sim::SimPort port{unit};
  Boxes boxes;
  CountingHelp help;
  app::GPStracking window{{&port, &boxes, &help}};

  QPushButton* button(const char* name) { return qobject_cast<QPushButton*>(window.control(name)); }
  void click(const char* name) { button(name)->click(); }

  // Runs the event loop until the exchange has ended, letting a second pass for the unit and
  // the link every `tickMs` of real time (0: at every pass), so timed pauses run as in the
  // program while the waits for ticks are hurried along.
  void runExchange(int tickMs = 0, int limitMs = 20000) {
    QElapsedTimer elapsed, sinceTick;
    elapsed.start();
    sinceTick.start();
    while (window.serialLink().busy() && elapsed.elapsed() < limitMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (sinceTick.elapsed() >= tickMs) {
        unit.tick();
        window.serialLink().timerTick();
        sinceTick.restart();
      }
    }
    ASSERT_FALSE(window.serialLink().busy()) << "the exchange did not end";
  }
};
