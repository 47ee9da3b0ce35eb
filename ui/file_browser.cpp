#include "ui/file_browser.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStorageInfo>

#include "ui/accessibility.h"

namespace ui {

namespace {

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

  const QString current = native(QDir::currentPath());
  const int drive = driveOf(current);
  if (drive >= 0) {
    lastFolder_[drive1_->itemData(drive).toString()] = current;
    drive1_->setCurrentIndex(drive);
  }
  showFolder(current);

  connect(drive1_, &QComboBox::activated, this, [this](int index) { chooseDrive(index); });
  connect(dir1_, &QListWidget::itemActivated, this, &FileBrowser::folderActivated);
  connect(file1_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { chooseFile(item->text()); });
}

std::string FileBrowser::path() const {
  return fsName(text1_->text());
}

void FileBrowser::setPath(const std::string& path) {
  text1_->setText(QFile::decodeName(QByteArray::fromStdString(path)));
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
  chooseFolder(remembered == lastFolder_.end() ? root : remembered->second);
}

void FileBrowser::chooseFolder(const QString& folder) {
  const QString path = native(QDir::cleanPath(folder));
  showFolder(path);
  const int drive = driveOf(path);
  if (drive >= 0) {
    lastFolder_[drive1_->itemData(drive).toString()] = path;
    if (drive1_->currentIndex() != drive) drive1_->setCurrentIndex(drive);
  }
  setPath(folderPathText(fsName(path), separator()));
}

void FileBrowser::chooseFile(const QString& name) {
  setPath(filePathText(fsName(folder_), fsName(name), separator()));
}

void FileBrowser::folderActivated(QListWidgetItem* item) {
  const QString target = item->data(kPathRole).toString();
  if (!target.isEmpty()) chooseFolder(target);
}

void FileBrowser::showFolder(const QString& folder) {
  folder_ = folder;
  dir1_->clear();
  file1_->clear();

  // The way down from the root to the folder, then the folder's own sub-folders, indented.
  QStringList chain;
  for (QDir up(folder);;) {
    chain.prepend(native(up.absolutePath()));
    if (up.isRoot() || !up.cdUp()) break;
  }
  int depth = 0;
  for (const QString& step : chain) {
    const QString name = depth == 0 ? step : QDir(step).dirName();
    auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, dir1_);
    item->setData(kPathRole, step);
    ++depth;
  }
  dir1_->setCurrentRow(dir1_->count() - 1);
  const QDir dir(folder);
  for (const QString& sub :
       dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
    auto* item = new QListWidgetItem(QString(depth * 2, ' ') + sub, dir1_);
    item->setData(kPathRole, native(dir.filePath(sub)));
  }
  for (const QString& file :
       dir.entryList(QDir::Files | QDir::System, QDir::Name | QDir::IgnoreCase)) {
    new QListWidgetItem(file, file1_);
  }
}

}  // namespace ui
