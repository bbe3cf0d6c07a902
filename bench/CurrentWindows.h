#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class SettingsStore;

// The current windows of tp.ini as the dialog "Дополнительные параметры" edits them: profile
// 0 is the fine window (section current_wnd_0), 1 the coarse one (current_wnd_1), each with a
// minimum and a maximum per run kind, in mA, 0 to 10000.
namespace currentwindows {

struct Row {
  QString key;
  QString value;
};

constexpr int kMaxValue = 10000;

// The eight keys of a profile: "24В вперед мин", "24В вперед макс", ..., "220В назад макс".
QStringList standardKeys();
QString section(int profile);

// The section's keys in file order with their values, then those of the eight it lacks with
// "0", so that a new bench can be set up here (they reach tp.ini only when saved).
QVector<Row> load(const SettingsStore& tp, int profile);
// The message for the first row whose value is not an integer from 0 to 10000; none when all
// are.
std::optional<QString> validate(const QVector<Row>& rows);
// Writes every row, the profile as [connect] cur_prof, and flushes; false when the flush
// failed (the store says why).
bool save(SettingsStore& tp, int profile, const QVector<Row>& rows);

}  // namespace currentwindows
