#pragma once
// What the track's tests share: the demo unit's log written to a file, the two stores at their
// startup values, and a GEO fencing area set from its corners' texts.
#include <QTemporaryDir>
#include <string>

#include "config/field_store.h"
#include "config/field_table.h"
#include "loctable/cell_store.h"
#include "sim/log_operation.h"
#include "tests/file_bytes.h"

namespace track_rig {

// The demo unit's log as a GPS log upload writes it, `count` positions long.
inline const auto& demoLog = sim::plausibleLogFile;

inline std::string logFile(const QTemporaryDir& folder, const std::string& text) {
  const std::string path = (folder.path() + "/log.csv").toStdString();
  testing_files::writeBytes(path, text);
  return path;
}

struct Stores {
  loctable::CellStore table;
  config::FieldStore configuration;
  Stores() {
    loctable::fillStartupContent(table);
    config::applyStartupValues(configuration);
  }
};

// A GEO fencing area from its corners' texts, south and west where asked.
inline void setArea(config::Fields& c, const char* lat1, const char* lat2, const char* lon1,
                    const char* lon2, bool south, bool west) {
  c.setText(config::Field::setup1_Text25, lat1);
  c.setText(config::Field::setup1_Text24, lat2);
  c.setText(config::Field::setup1_Text26, lon1);
  c.setText(config::Field::setup1_Text23, lon2);
  for (const auto field : {config::Field::setup1_Combo8, config::Field::setup1_Combo9})
    c.setIndex(field, south ? 1 : 0);
  for (const auto field : {config::Field::setup1_Combo10, config::Field::setup1_Combo11})
    c.setIndex(field, west ? 1 : 0);
}

}  // namespace track_rig
