#include "params/ui/MotorVoltageAction.h"

#include <QLineEdit>
#include <memory>

#include "link/RequestFlags.h"
#include "params/MotorVoltage.h"
#include "params/TableTransfer.h"
#include "params/ui/MotorVoltageDialog.h"

void ButtonChangeClick(QWidget* parent, const ParameterContext& ctx) {
  MotorVoltageDialog* dialog =
      parent ? parent->findChild<MotorVoltageDialog*>(QString(), Qt::FindDirectChildrenOnly)
             : nullptr;
  std::unique_ptr<MotorVoltageDialog> owned;
  if (!dialog) {
    dialog = new MotorVoltageDialog(parent);
    if (!parent) owned.reset(dialog);
  }
  const int type = ctx.tables().choices().motorVoltageType;
  if (!dialog->ask(TableTransfer::motorVoltageName(ctx.link.mem, type),
                   TableTransfer::motorVoltageName(ctx.link.mem, MotorVoltage::otherType(type))))
    return;
  ctx.state.storeMotorPassword(dialog->editPsw()->text());
  dialog->editPsw()->clear();  // the state holds it now, until the worker takes it
  ctx.link.requests.module[RequestFlags::MotorVoltage] = true;
}
