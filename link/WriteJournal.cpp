#include "link/WriteJournal.h"

#include <QStringList>

#include "core/SessionJournal.h"
#include "params/ModuleRegisters.h"

void WriteJournal::setListener(Listener listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

void WriteJournal::registersRead(uint8_t slave, uint16_t first, const uint16_t* values, int count) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < count; ++i) known_[key(slave, uint16_t(first + i))] = values[i];
}

void WriteJournal::registersWritten(uint8_t slave, uint16_t first, const uint16_t* values,
                                    int count, bool ok, const QString& error) {
  QVector<WrittenRegister> written;
  Listener listener;
  {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < count; ++i) {
      const uint16_t address = uint16_t(first + i);
      const auto it = known_.find(key(slave, address));
      written.append(
          {address, it == known_.end() ? std::nullopt : std::optional(it->second), values[i]});
      if (ok) known_[key(slave, address)] = values[i];
    }
    listener = listener_;
  }
  QStringList parts;
  const bool toModule = slave == client_.moduleAddress() || slave == 0;
  for (const WrittenRegister& r : written) {
    if (toModule && r.address == modulemap::MotorPassword) {
      parts << QStringLiteral("рег. %1: ***").arg(r.address);
      continue;
    }
    const QString value = QString::number(r.value);
    parts << QStringLiteral("рег. %1: %2")
                 .arg(r.address)
                 .arg(r.old ? QString::number(*r.old) + QStringLiteral(" -> ") + value : value);
  }
  QString line =
      QStringLiteral("Запись в устройство %1: ").arg(slave) + parts.join(QStringLiteral("; "));
  if (!ok) line += QStringLiteral(" [не выполнена: %1]").arg(error);
  journal_.append(line);
  if (listener) listener(slave, written, ok, error);
}
