#pragma once
// What the windows share of their looks and ways: places given in twips, the Arial fonts,
// texts of one byte a character, the button back to the main menu, and how an editing window
// is opened.
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <string>

class QDialog;
class QWidget;
class QPushButton;

namespace ui {

// The windows are drawn in twips, 15 to a pixel; a part of a pixel is dropped.
constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPixels(int twips) {
  return twips / kTwipsPerPixel;
}
QRect twipsRect(int left, int top, int width, int height);

// The system's dialog font: controls that name no font of their own use it.
constexpr double kDialogPoints = 8;
QFont arial(double points, bool bold = false, bool underline = false);

// Texts of the configuration, the table and the files are Latin-1, one byte a character.
QString fromLatin1(const std::string& text);
std::string toLatin1(const QString& text);

// Every editing window has its way back to the main menu, in the same colour.
inline constexpr char kReturnMainMenu[] = "RETURN MAIN MENU";
void setReturnLook(QPushButton& button);

// A link on the main menu's black face: small, underlined, light blue. The menu's Tab order is
// its own, so a link is reached from the keyboard by its shortcut ("Ctrl+T").
QPushButton* linkButton(const QString& caption, const char* shortcut, QWidget* parent);

// Shows an editing window modally and returns when it has been hidden again, with the mouse
// pointer back to the arrow whatever was left of a busy pointer.
void openModal(QDialog& window);

// Puts `page` (its layout installed) into a frameless scroll area that fills `window`, and gives
// the window the size it wants, or the screen's free area where that is smaller: then scroll
// bars appear, and no control is out of reach. The keyboard's focus is always scrolled into
// view. The controls keep their places on the page.
void putOnScrollingPage(QWidget& window, QWidget* page, QSize wanted);

}  // namespace ui
