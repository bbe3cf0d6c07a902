#include "core/SessionJournal.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

SessionJournal::SessionJournal(QString path, qint64 maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {}

void SessionJournal::append(const QString& text) {
  std::lock_guard lock(mutex_);
  if (QFileInfo(path_).size() >= maxBytes_) {
    const QString old = path_ + QStringLiteral(".1");
    QFile::remove(old);
    QFile::rename(path_, old);
  }
  QFile file(path_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;  // never stops the work
  const QString line =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
      QLatin1Char(' ') + text + QLatin1Char('\n');
  file.write(line.toUtf8());
  file.flush();
}

void SessionJournal::linkChanged(const QString& text) {
  {
    std::lock_guard lock(mutex_);
    if (text == lastLink_) return;
    lastLink_ = text;
  }
  append(text);
}
