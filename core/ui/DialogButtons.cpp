#include "core/ui/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

DialogButtons makeDialogButtons(QWidget* dialog, const QString& okText, const char* okName,
                                const char* cancelName) {
  DialogButtons b;
  b.ok = new QPushButton(okText, dialog);
  b.ok->setObjectName(QString::fromLatin1(okName));
  b.ok->setDefault(true);
  b.cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
  b.cancel->setObjectName(QString::fromLatin1(cancelName));
  b.cancel->setAutoDefault(false);
  b.row = new QHBoxLayout;
  b.row->addStretch(1);
  b.row->addWidget(b.ok);
  b.row->addWidget(b.cancel);
  return b;
}
