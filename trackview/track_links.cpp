#include "trackview/track_links.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "trackview/track_window.h"
#include "ui/window_look.h"

namespace trackview {

namespace {

constexpr int kWidth = 104;

}  // namespace

TrackLinks::TrackLinks(QWidget& status, const loctable::Cells& table,
                       const config::Fields& configuration)
    : QWidget(status.parentWidget()), table_(table), configuration_(configuration) {
  setFont(status.font());
  setAccessibleName("GPS track");
  show_ = ui::linkButton("Show track", "Ctrl+T", this);
  open_ = ui::linkButton("Open a GPS log...", "Ctrl+O", this);
  show_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(open_);
  layout->addWidget(show_);
  const QRect line = status.geometry();
  setGeometry(line.right() + 1 - kWidth, line.top(), kWidth, line.height());
  status.resize(line.width() - kWidth - 7, line.height());
  connect(open_, &QPushButton::clicked, this, [this] {
    window().show();
    window().raise();
    window().activateWindow();
    window().chooseLog();
  });
  connect(show_, &QPushButton::clicked, this, [this] { showTrack(lastLog_); });
  show();
}

TrackLinks::~TrackLinks() = default;

void TrackLinks::logSaved(const QString& path) {
  lastLog_ = path;
  show_->setVisible(!path.isEmpty());
}

TrackWindow& TrackLinks::window() {
  if (!window_) window_ = std::make_unique<TrackWindow>(table_, configuration_);
  return *window_;
}

bool TrackLinks::showTrack(const QString& path) {
  const bool opened = window().openLog(path);
  window().show();
  window().raise();
  window().activateWindow();
  return opened;
}

}  // namespace trackview
