#include "app/edit_keeper.h"

#include <QTimer>
#include <algorithm>

#include "config/config_file.h"
#include "config/field_store.h"
#include "loctable/cell_store.h"
#include "loctable/table_file.h"

namespace app {

EditKeeper::EditKeeper(std::string folder, config::FieldStore& configuration,
                       loctable::CellStore& table, QObject* parent)
    : QObject(parent),
      files_(std::move(folder)),
      configuration_(configuration),
      table_(table),
      quiet_(new QTimer(this)) {
  quiet_->setSingleShot(true);
  connect(quiet_, &QTimer::timeout, this, [this] { flush(); });
  configuration_.afterChange([this] { changed(Part::Configuration); });
  table_.afterChange([this] { changed(Part::Table); });
}

std::string EditKeeper::text(Part part) const {
  return part == Part::Configuration ? config::configurationText(configuration_)
                                     : loctable::tableText(table_);
}

void EditKeeper::changed(Part part) {
  if (restoring_ || !files_.enabled()) return;
  pending_[slot(part)] = true;
  quiet_->start(kQuietMs);
}

void EditKeeper::flush() {
  quiet_->stop();
  for (const Part part : KeptEdits::kParts) {
    if (!pending_[slot(part)]) continue;
    pending_[slot(part)] = false;
    std::string why;
    if (files_.keep(part, text(part), &why)) {
      shown_[slot(part)] = true;
    } else if (failed_) {
      failed_(why);
    }
  }
}

void EditKeeper::replaced(Part part) {
  pending_[slot(part)] = false;
  shown_[slot(part)] = false;
}

void EditKeeper::taken(Part part) {
  pending_[slot(part)] = false;
  // Edits kept before an upload replaced them are not the ones taken: they stay kept.
  const auto kept = files_.kept(part);
  if (kept && (shown_[slot(part)] || kept->text == text(part))) files_.forget(part);
  shown_[slot(part)] = false;
}

std::optional<std::time_t> EditKeeper::offered() const {
  std::optional<std::time_t> newest;
  for (const Part part : KeptEdits::kParts) {
    if (shown_[slot(part)]) continue;
    const auto kept = files_.kept(part);
    if (kept && kept->text != text(part)) newest = std::max(newest.value_or(0), kept->when);
  }
  return newest;
}

void EditKeeper::restore() {
  restoring_ = true;
  for (const Part part : KeptEdits::kParts) {
    auto kept = files_.kept(part);
    if (!kept || shown_[slot(part)]) continue;
    if (part == Part::Configuration) {
      config::applyConfigurationText(configuration_, std::move(kept->text));
    } else {
      loctable::applyTableText(table_, std::move(kept->text));
    }
    pending_[slot(part)] = false;
    shown_[slot(part)] = true;
  }
  restoring_ = false;
}

}  // namespace app
