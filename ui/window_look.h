#pragma once
// What the windows share of their looks and ways: places given in twips, the Arial fonts,
// texts of one byte a character, the button back to the main menu, and how an editing window
// is opened.
#include <QFont>
#include <QRect>
#include <QString>
#include <string>

class QDialog;
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

// Shows an editing window modally and returns when it has been hidden again, with the mouse
// pointer back to the arrow whatever was left of a busy pointer.
void openModal(QDialog& window);

}  // namespace ui
