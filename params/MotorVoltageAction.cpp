#include "params/MotorVoltageAction.h"

#include <QLineEdit>
#include <memory>

#include "app/AppCore.h"
#include "params/MotorVoltage.h"
#include "params/TForm4.h"
#include "params/TableTransfer.h"

void ButtonChangeClick(QWidget* parent, AppCore& core) {
  TForm4* dialog =
      parent ? parent->findChild<TForm4*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
  std::unique_ptr<TForm4> owned;
  if (!dialog) {
    dialog = new TForm4(parent);
    if (!parent) owned.reset(dialog);
  }
  const int type = core.tables.choices().motorVoltageType;
  if (!dialog->ask(TableTransfer::motorVoltageName(core.mem, type),
                   TableTransfer::motorVoltageName(core.mem, MotorVoltage::otherType(type))))
    return;
  MotorVoltage::storePassword(core, dialog->editPsw()->text());
  dialog->editPsw()->clear();  // the core holds it now, until the worker takes it
  core.requests.module[RequestFlags::MotorVoltage] = true;
}
