#include "params/StatusReader.h"

#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"

bool StatusReader::readStatus() {
  ModbusRtuClient& client = ctx_.link.client;
  ReadExchange x;
  auto read = [&](ParameterTables::Id id, uint16_t first, uint16_t count) {
    if (!client.readModuleRegisters(x, first, count)) {
      ctx_.link.showLinkFailure(x.error);
      return false;
    }
    if (id != ParameterTables::Count)
      ctx_.tables().storeRead(id, x.registers.data(), x.decodedCount);
    return true;
  };
  if (!read(ParameterTables::DigInputs, 16, 17)) return false;
  if (!ctx_.state.outputsPaused && !read(ParameterTables::DigOutputs, 128, 3)) return false;
  const ParameterState::Page page = ctx_.state.activePage;
  if (page == ParameterState::Page::Firm && !read(ParameterTables::Errors, 48, 12)) return false;
  if (page == ParameterState::Page::Service && !read(ParameterTables::Debug, 256, 16)) return false;
  if (page == ParameterState::Page::LogTime) {
    if (!read(ParameterTables::Count, 4, 2)) return false;
    ctx_.state.moduleClockSeconds = uint32_t(x.registers[1]) << 16 | x.registers[0];
  }
  ctx_.link.flags.moduleOnline = true;
  return true;
}

void StatusReader::clearStatusTables() {
  for (int id = 0; id < ParameterTables::kDisplayTables; ++id)
    ctx_.tables().blank(ParameterTables::Id(id));
  ctx_.tables().blank(ParameterTables::AutoReset, false);
  ctx_.link.flags.valuesShown = false;
}
