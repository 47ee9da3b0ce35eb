#include "link/log_stamp.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

namespace device {

LogStamp localLogStamp() {
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
  if (!timeFormat.contains('s')) {
    const qsizetype minutes = timeFormat.indexOf(QStringLiteral("mm"));
    if (minutes >= 0) {
      const QChar before = minutes > 0 ? timeFormat[minutes - 1] : QChar(':');
      const QChar separator = before.isLetter() ? QChar(':') : before;
      timeFormat.insert(minutes + 2, QString(separator) + QStringLiteral("ss"));
    }
  }
  return {QFile::encodeName(locale.toString(now.date(), QLocale::ShortFormat)).toStdString(),
          QFile::encodeName(locale.toString(now.time(), timeFormat)).toStdString()};
}

}  // namespace device
