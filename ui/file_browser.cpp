#include "ui/file_browser.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStorageInfo>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "ui/accessibility.h"

namespace ui {

namespace {

// Folder items: the folder's path; file items: the file's name; both as the file system's bytes.
constexpr int kPathRole = Qt::UserRole;

QString native(const QString& path) {
  return QDir::toNativeSeparators(path);
}
char separator() {
  return QDir::separator().toLatin1();
}

// The file system's name for a path or file name shown in the browser.
std::string fsName(const QString& text) {
  return QFile::encodeName(text).toStdString();
}
// The text shown for a file system name; a name that is not valid UTF-8 shows its other
// characters, and the browser keeps its bytes beside the text.
QString shown(const std::string& name) {
  return QFile::decodeName(QByteArray::fromStdString(name));
}
QByteArray bytes(const std::string& name) {
  return QByteArray::fromStdString(name);
}

struct Entry {
  QString text;
  std::string name;
};

// The folder's sub-folders and regular files (a link counts as what it leads to), hidden names
// left out, each sorted by name whatever the case. FIFOs, devices, sockets and broken links are
// not offered: none of them can be a saved file.
void listFolder(const std::string& folder, std::vector<Entry>& folders, std::vector<Entry>& files) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;
    struct stat info {};
    const std::string full = folder.ends_with('/') ? folder + name : folder + '/' + name;
    if (::stat(full.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) folders.push_back({shown(name), name});
    if (S_ISREG(info.st_mode)) files.push_back({shown(name), name});
  }
  ::closedir(dir);
  for (auto* list : {&folders, &files}) {
    std::sort(list->begin(), list->end(), [](const Entry& a, const Entry& b) {
      const int order = a.text.compare(b.text, Qt::CaseInsensitive);
      return order != 0 ? order < 0 : a.name < b.name;
    });
  }
}

// The folders from the root down to the folder itself: "/", "/a", "/a/b".
std::vector<std::string> chainTo(const std::string& folder) {
  std::vector<std::string> chain{"/"};
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    chain.push_back(folder.substr(0, slash));
  }
  if (folder.size() > 1) chain.push_back(folder);
  return chain;
}

// The drive list, once the program's accessible interfaces are in place to name it.
QComboBox* newDriveList(QWidget* parent) {
  installAccessibleInterfaces();
  return new QComboBox(parent);
}

}  // namespace

std::string folderPathText(const std::string& folder, char sep) {
  // A drive's root already ends with its separator; any other folder gets one, so that the
  // file name typed next lands inside the folder.
  if (!folder.empty() && folder.back() == sep) return folder;
  return folder + sep;
}

std::string filePathText(const std::string& folder, const std::string& name, char sep) {
  const std::string joined = folder + sep + name;
  std::string out;
  out.reserve(joined.size());
  for (char c : joined) {
    if (c == sep && !out.empty() && out.back() == sep) continue;
    out.push_back(c);
  }
  return out;
}

FileBrowser::FileBrowser(QWidget* parent)
    : QObject(parent),
      drive1_(newDriveList(parent)),
      dir1_(new QListWidget(parent)),
      file1_(new QListWidget(parent)),
      text1_(new QLineEdit(parent)) {
  drive1_->setObjectName("Drive1");
  dir1_->setObjectName("Dir1");
  file1_->setObjectName("File1");
  text1_->setObjectName("Text1");
  text1_->setMaxLength(1 << 24);
  // The lists have no caption of their own; the path box is named by its window's label.
  drive1_->setAccessibleName("Drive");
  dir1_->setAccessibleName("Folder");
  file1_->setAccessibleName("Files");

  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady()) roots << native(volume.rootPath());
  }
  roots.removeDuplicates();
  roots.sort();
  for (const QString& root : roots) drive1_->addItem(root, root);

  const std::string current = fsName(native(QDir::currentPath()));
  showFolder(current);
  const int drive = driveOf(folder_);
  if (drive >= 0) {
    lastFolder_[drive1_->itemData(drive).toString()] = current;
    drive1_->setCurrentIndex(drive);
  }

  connect(drive1_, &QComboBox::activated, this, [this](int index) { chooseDrive(index); });
  connect(dir1_, &QListWidget::itemActivated, this, &FileBrowser::folderActivated);
  connect(file1_, &QListWidget::itemClicked, this, &FileBrowser::fileClicked);
}

std::string FileBrowser::path() const {
  // What the browser put into the box keeps its bytes, names that are not valid UTF-8
  // included, and so does what the user typed after it.
  const QString text = text1_->text();
  if (!shownPath_.isEmpty() && text.startsWith(shownPath_)) {
    return rawPath_ + fsName(text.mid(shownPath_.size()));
  }
  return fsName(text);
}

void FileBrowser::setPath(const std::string& path) {
  rawPath_ = path;
  shownPath_ = shown(path);
  text1_->setText(shownPath_);
}

std::vector<QString> FileBrowser::drives() const {
  std::vector<QString> out;
  for (int i = 0; i < drive1_->count(); ++i) out.push_back(drive1_->itemData(i).toString());
  return out;
}

int FileBrowser::driveOf(const QString& folder) const {
  // The mounted file system that holds the folder: the longest root that is a prefix of it.
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < drive1_->count(); ++i) {
    QString root = drive1_->itemData(i).toString();
    if (!root.endsWith(QDir::separator())) root += QDir::separator();
    const QString withSep =
        folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
    if (withSep.startsWith(root) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  return best;
}

void FileBrowser::chooseDrive(int index) {
  if (index < 0 || index >= drive1_->count()) return;
  if (drive1_->currentIndex() != index) drive1_->setCurrentIndex(index);
  const QString root = drive1_->itemData(index).toString();
  const auto remembered = lastFolder_.find(root);
  if (remembered == lastFolder_.end()) {
    chooseFolder(root);
  } else {
    chooseFolderName(remembered->second);
  }
}

void FileBrowser::chooseFolder(const QString& folder) {
  chooseFolderName(fsName(native(QDir::cleanPath(QDir(folder).absolutePath()))));
}

void FileBrowser::refresh() {
  showFolder(folderName_);
  const std::string path = this->path();
  const std::string name = path.substr(path.find_last_of("/\\") + 1);
  for (int row = 0; row < file1_->count(); ++row) {
    if (file1_->item(row)->data(kPathRole).toByteArray().toStdString() == name) {
      file1_->setCurrentRow(row);
    }
  }
}

void FileBrowser::chooseFolderName(const std::string& folder) {
  showFolder(folder);
  const int drive = driveOf(folder_);
  if (drive >= 0) {
    lastFolder_[drive1_->itemData(drive).toString()] = folder;
    if (drive1_->currentIndex() != drive) drive1_->setCurrentIndex(drive);
  }
  setPath(folderPathText(folder, separator()));
}

void FileBrowser::chooseFile(const QString& name) {
  chooseFileName(fsName(name));
}

void FileBrowser::chooseFileName(const std::string& name) {
  setPath(filePathText(folderName_, name, separator()));
}

void FileBrowser::folderActivated(QListWidgetItem* item) {
  const QByteArray target = item->data(kPathRole).toByteArray();
  if (!target.isEmpty()) chooseFolderName(target.toStdString());
}

void FileBrowser::fileClicked(QListWidgetItem* item) {
  const QVariant name = item->data(kPathRole);
  if (name.isValid()) {
    chooseFileName(name.toByteArray().toStdString());
  } else {
    chooseFile(item->text());
  }
}

void FileBrowser::showFolder(const std::string& folder) {
  folderName_ = folder;
  folder_ = native(shown(folder));
  dir1_->clear();
  file1_->clear();

  // The way down from the root to the folder, then the folder's own sub-folders, indented.
  int depth = 0;
  for (const std::string& step : chainTo(folder)) {
    const QString name = depth == 0 ? native(shown(step)) : shown(step.substr(step.rfind('/') + 1));
    auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, dir1_);
    item->setData(kPathRole, bytes(step));
    ++depth;
  }
  dir1_->setCurrentRow(dir1_->count() - 1);
  std::vector<Entry> folders, files;
  listFolder(folder, folders, files);
  for (const Entry& sub : folders) {
    auto* item = new QListWidgetItem(QString(depth * 2, ' ') + sub.text, dir1_);
    item->setData(kPathRole,
                  bytes(folder.ends_with('/') ? folder + sub.name : folder + '/' + sub.name));
  }
  for (const Entry& file : files) {
    auto* item = new QListWidgetItem(file.text, file1_);
    item->setData(kPathRole, bytes(file.name));
  }
}

}  // namespace ui
