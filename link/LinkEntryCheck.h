#pragma once

#include <QString>
#include <optional>

// The checks of what the user types into the link dialogs, made before anything is stored or
// sent. Each refusal is the message box text that names the field; an empty text means the
// entry may be taken.
namespace linkentry {

// The typed module address, or nothing when it is not an integer within the slave addresses
// (linkkeys::kAddress).
std::optional<int> slaveAddress(const QString& text);

// The program's link settings as typed in its dialog.
struct ProgramEntry {
  QString address;
  QString send, sleep, receive;  // shown from mem.ini, not editable in the dialog
  QString readInterval;          // cto1, the one time-out the dialog edits
};
QString programRefusal(const ProgramEntry& entry);
// The module's link dialog, where only the address is typed.
QString moduleRefusal(const QString& address);
// The poll timer interval of the program settings window, in milliseconds.
QString pollPeriodRefusal(const QString& text);

}  // namespace linkentry
