#pragma once

#include <QMessageBox>
#include <QString>

// Message boxes with the program's own button texts, "ОК" and "Отмена", whatever language
// the system's Qt speaks.

// An information, warning or error box with "ОК"; returns when it has been acknowledged.
void showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                    const QString& text);
// A question with "ОК" and "Отмена"; true for "ОК".
bool askOkCancel(QWidget* parent, const QString& caption, const QString& text);
