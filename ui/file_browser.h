#pragma once
// The file browser of the editing windows: a drive list (Drive1), a folder list (Dir1), a file
// list (File1) and the path box (Text1). Choosing a drive shows that drive at its current
// folder; choosing a folder lists its files and puts the folder's path into the path box;
// clicking a file puts the file's path there. The user may also type into the path box at any
// time. On this system the "drives" are the roots of the mounted file systems.
//
// The path box shows names as the file system has them, whatever their characters; path()
// gives the box's text as the file system's name of the file, ready for opening. The lists
// offer folders and regular files only, names that are not valid UTF-8 included: what the
// browser puts into the path box keeps the name's own bytes.
#include <QObject>
#include <QString>
#include <map>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QWidget;

namespace ui {

// The path box's text for a chosen folder: the folder's path ending in exactly one separator.
std::string folderPathText(const std::string& folder, char separator);
// The path box's text for a file clicked in a folder: folder, separator and name, with every
// pair of adjacent separators replaced by one.
std::string filePathText(const std::string& folder, const std::string& name, char separator);

class FileBrowser : public QObject {
  Q_OBJECT

 public:
  // Builds the four controls as children of parent, named Drive1, Dir1, File1 and Text1, and
  // shows the program's current drive and folder; the path box starts empty.
  explicit FileBrowser(QWidget* parent);

  QComboBox* driveList() const { return drive1_; }
  QListWidget* folderList() const { return dir1_; }
  QListWidget* fileList() const { return file1_; }
  QLineEdit* pathBox() const { return text1_; }

  // The path box's text as a file system name, the path that saving and loading use.
  std::string path() const;
  void setPath(const std::string& path);
  // The folder Dir1 shows, in the platform's form.
  QString folder() const { return folder_; }
  // The drive roots Drive1 offers.
  std::vector<QString> drives() const;

  // Lists the shown folder again, as after a save that may have added a file to it; the path box
  // keeps its text and a file of that name in the folder is the one selected.
  void refresh();

  // What the user's choices do, callable directly.
  void chooseDrive(int index);
  void chooseFolder(const QString& folder);
  void chooseFile(const QString& name);

 private:
  void chooseFolderName(const std::string& folder);
  void chooseFileName(const std::string& name);
  void showFolder(const std::string& folder);
  int driveOf(const QString& folder) const;
  void folderActivated(QListWidgetItem* item);
  void fileClicked(QListWidgetItem* item);

  QComboBox* drive1_;
  QListWidget* dir1_;
  QListWidget* file1_;
  QLineEdit* text1_;
  QString folder_;          // as shown
  std::string folderName_;  // as the file system names it
  // The path box's text as the browser last set it, and the bytes it stands for.
  QString shownPath_;
  std::string rawPath_;
  std::map<QString, std::string> lastFolder_;  // by drive root: the drive's current folder
};

}  // namespace ui
