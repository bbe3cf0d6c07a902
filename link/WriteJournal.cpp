#include "link/WriteJournal.h"

#include <QStringList>

#include "app/SessionJournal.h"

ModbusRtuClient::WriteObserver journalWrites(SessionJournal& journal,
                                             const ModbusRtuClient& client) {
  return [&journal, &client](uint8_t slave,
                             const QVector<ModbusRtuClient::WrittenRegister>& registers, bool ok,
                             const QString& error) {
    QStringList parts;
    const bool toModule = slave == client.moduleAddress() || slave == 0;
    for (const auto& r : registers) {
      if (toModule && r.address == 118) {
        parts << QStringLiteral("рег. 118: ***");
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
    journal.append(line);
  };
}
