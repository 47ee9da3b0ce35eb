// The help text opens in a viewer, or a box says that none could and where the file is.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "ui/help.h"
#include "words/messages.h"

namespace {

TEST(Help, WithoutAViewerThatOpensItABoxNamesTheFile) {
  struct Case {
    std::vector<std::string> viewers;
    bool boxed;
  };
  const Case cases[] = {
      {{"no-such-viewer-at-all"}, true},  // none installed
      {{"false"}, true},                  // the desktop's opener fails
      {{"true"}, false},                  // it hands the file over
  };
  for (const Case& c : cases) {
    words::RecordedMessages boxes;
    ui::DesktopHelp help(boxes, c.viewers);
    help.open();
    QElapsedTimer waited;
    waited.start();
    while (boxes.shown.empty() && waited.elapsed() < 1000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ASSERT_EQ(boxes.shown.size(), c.boxed ? 1u : 0u) << c.viewers[0];
    if (c.boxed) {
      EXPECT_EQ(boxes.shown[0], ui::helpNotOpened(ui::helpFilePath()));
    }
  }
}

}  // namespace
