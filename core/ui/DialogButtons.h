#pragma once

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The confirming and the cancelling button of a dialog, right-aligned in one row. Enter
// presses the confirming one.
struct DialogButtons {
  QPushButton* ok;
  QPushButton* cancel;
  QHBoxLayout* row;
};
DialogButtons makeDialogButtons(QWidget* dialog, const QString& okText, const char* okName,
                                const char* cancelName);
