// The program's timer for the pauses of the link: it never wakes before the length asked for,
// and the link's time it gives is the steady clock's.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>

#include "serial/precise_timer.h"
#include "sim/sim_port.h"

namespace {

using std::chrono::microseconds;

TEST(PreciseTimer, NeverWakesEarlyAndKeepsOnlyTheLastStart) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  sim::Unit unit;
  sim::SimPort port(unit);
  device::Link link(port);
  serial::usePreciseTimer(link, &application);

  for (const microseconds length : {microseconds(1), microseconds(2830), microseconds(3000)}) {
    QEventLoop loop;
    const microseconds from = link.now();
    microseconds woke{-1};
    int wakes = 0;
    bool firstRan = false;
    serial::PreciseTimer timer;
    // Replaced at once: neither its wake nor its callback may come.
    timer.start(microseconds(1), [&] { firstRan = true; });
    timer.start(length, [&] {
      woke = link.now();
      ++wakes;
      loop.quit();
    });
    loop.exec();
    EXPECT_EQ(wakes, 1);
    EXPECT_FALSE(firstRan);
    EXPECT_GE(woke - from, length);
  }
}

}  // namespace
