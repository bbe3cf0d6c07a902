#include "params/StatusReader.h"

#include "app/AppCore.h"

bool StatusReader::readStatus() {
  core_.control.readControlState(core_);  // its outcome does not stop the reads below
  ModbusRtuClient& client = core_.client();
  ReadExchange x;
  auto read = [&](ParamTables::Id id, uint16_t first, uint16_t count) {
    if (!client.readModuleRegisters(x, first, count)) {
      core_.showLinkFailure(x.error);
      return false;
    }
    if (id != ParamTables::Count) core_.tables.storeRead(id, x.registers.data(), x.decodedCount);
    return true;
  };
  if (!read(ParamTables::DigInputs, 16, 17)) return false;
  if (!core_.diagramRecording && !read(ParamTables::DigOutputs, 128, 3)) return false;
  const AppCore::Page page = core_.activePage;
  if (page == AppCore::Page::Firm && !read(ParamTables::Errors, 48, 12)) return false;
  if (page == AppCore::Page::Service && !read(ParamTables::Debug, 256, 16)) return false;
  if (page == AppCore::Page::LogTime) {
    if (!read(ParamTables::Count, 4, 2)) return false;
    core_.moduleClockSeconds = uint32_t(x.registers[1]) << 16 | x.registers[0];
  }
  core_.flags.moduleOnline = true;
  return true;
}

void StatusReader::clearStatusTables() {
  for (int id = 0; id < ParamTables::kDisplayTables; ++id) core_.tables.blank(ParamTables::Id(id));
  core_.tables.blank(ParamTables::AutoReset, false);
  core_.flags.valuesShown = false;
}
