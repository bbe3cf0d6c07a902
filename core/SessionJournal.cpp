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
  // Unbuffered, so that what did not fit can be taken back below.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
    return;  // never stops the work
  const QByteArray line =
      (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) +
       QLatin1Char(' ') + text + QLatin1Char('\n'))
          .toUtf8();
  const qint64 before = file.size();
  // On a full disk part of the line may have gone in: it is taken back, so the lines written
  // once there is room again do not follow half a line.
  if (file.write(line) != line.size()) file.resize(before);
}

void SessionJournal::linkChanged(const QString& text) {
  {
    std::lock_guard lock(mutex_);
    if (text == lastLink_) return;
    lastLink_ = text;
  }
  append(text);
}
