// The configuration windows: saving and loading a configuration file, and opening the windows
// from the main menu.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "bench/bench.h"
#include "config/config_file.h"
#include "config/field_store.h"
#include "config/field_table.h"
#include "forms/config_windows.h"
#include "ui/help.h"
#include "ui/window_look.h"
#include "words/messages.h"

namespace {

struct NoHelp : ui::HelpLauncher {
  void open() override {}
};

double ms(const QElapsedTimer& clock) {
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

std::vector<bench::Figure> configuration() {
  constexpr int kRuns = 50;
  std::vector<bench::Figure> figures;
  words::RecordedMessages messages;
  NoHelp help;
  QWidget owner;

  QElapsedTimer clock;
  clock.start();
  config::FieldStore store;
  forms::ConfigWindows windows(&owner, messages, help, store);
  config::applyStartupValues(windows);
  windows.setup1();
  figures.push_back({"create both configuration windows", ms(clock), "ms", ""});

  // Every field filled, as after an upload.
  for (const config::FieldRow& row : config::fieldTable()) {
    if (row.kind == config::Kind::List) {
      windows.setIndex(row.field, static_cast<int>(row.items.size()) - 1);
    } else {
      windows.setText(row.field, std::string(row.maxLength > 0 ? row.maxLength : 12, '5'));
    }
  }
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.cfg").toStdString();
  std::vector<double> saves, loads;
  for (int i = 0; i < kRuns; ++i) {
    clock.restart();
    config::saveConfiguration(windows, path);
    saves.push_back(ms(clock));
    clock.restart();
    config::loadConfiguration(windows, path);
    loads.push_back(ms(clock));
  }
  figures.push_back(
      {"save configuration file (median of 50)", bench::median(saves), "ms", "(limit 10 ms)"});
  figures.push_back(
      {"load configuration file (median of 50)", bench::median(loads), "ms", "(limit 10 ms)"});

  // Opening: from the call until the window runs its modal loop, shown.
  for (QDialog* form :
       {static_cast<QDialog*>(&windows.setup1()), static_cast<QDialog*>(&windows.setup3())}) {
    std::vector<double> opens;
    double first = 0;
    for (int i = 0; i < 20; ++i) {
      double opened = 0;
      QTimer::singleShot(0, form, [&] {
        opened = ms(clock);
        form->findChild<QPushButton*>("Command2")->click();
      });
      clock.restart();
      ui::openModal(*form);
      if (i == 0) first = opened;
      opens.push_back(opened);
    }
    const std::string name = form->objectName().toStdString();
    figures.push_back({"open " + name + ", first time", first, "ms", "(limit 100 ms)"});
    figures.push_back(
        {"open " + name + " again (median of 20)", bench::median(opens), "ms", "(limit 100 ms)"});
  }
  return figures;
}

const bench::Register kConfiguration("configuration windows and file", configuration);

}  // namespace
