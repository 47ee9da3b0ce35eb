#pragma once
// What a window laid out by hand must hold, whatever its exact places: each control that shows
// lies inside the window, no two of them lie on each other unless they are meant to, and each
// caption fits its control in the control's font.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <set>
#include <string>
#include <utility>

namespace layout {

// Controls that are meant to lie on each other, by object name.
using Overlaps = std::set<std::pair<std::string, std::string>>;

// How a button lays out its caption: on one line inside the style's margins, or wrapped at
// word boundaries inside a margin of a few pixels.
enum class Captions { OneLine, Wrapped };

inline std::string nameOf(const QWidget* control) {
  return control->objectName().toStdString();
}

// The area a button's caption may use.
inline QRect captionArea(const QPushButton& button, Captions captions) {
  if (captions == Captions::Wrapped) return button.rect().adjusted(4, 2, -4, -2);
  QStyleOptionButton option;
  option.initFrom(&button);
  return button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
}

inline void expectCaptionFits(const QWidget& control, Captions captions) {
  const QFontMetrics metrics(control.font());
  if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
    const QRect area = captionArea(*button, captions);
    const int flags = Qt::AlignCenter | (captions == Captions::Wrapped ? Qt::TextWordWrap : 0);
    const QRect used = metrics.boundingRect(area, flags, button->text());
    EXPECT_TRUE(area.contains(used))
        << nameOf(&control) << ": caption needs " << used.width() << "x" << used.height()
        << ", has " << area.width() << "x" << area.height();
  } else if (const auto* label = qobject_cast<const QLabel*>(&control)) {
    if (label->text().isEmpty()) return;
    const QRect area = label->contentsRect();
    EXPECT_LE(metrics.horizontalAdvance(label->text()), area.width()) << nameOf(&control);
    EXPECT_LE(metrics.height(), area.height()) << nameOf(&control);
  }
}

// Checks the controls of the window that show now.
inline void expectLaidOut(const QWidget& window, const Overlaps& meant, Captions captions) {
  std::vector<const QWidget*> shown;
  for (const QWidget* control :
       window.findChildren<const QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (control->isWindow() || !control->isVisibleTo(&window)) continue;
    shown.push_back(control);
    EXPECT_TRUE(window.rect().contains(control->geometry())) << nameOf(control) << " outside";
    expectCaptionFits(*control, captions);
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      std::pair<std::string, std::string> pair{nameOf(shown[i]), nameOf(shown[j])};
      // Places in twips rounded down to pixels may share a line of pixels: they only touch.
      const QRect common = shown[i]->geometry().intersected(shown[j]->geometry());
      if (common.width() <= 1 || common.height() <= 1) continue;
      const bool intended = meant.contains(pair) || meant.contains({pair.second, pair.first});
      EXPECT_TRUE(intended) << pair.first << " lies on " << pair.second;
    }
  }
}

}  // namespace layout
