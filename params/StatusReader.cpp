#include "params/StatusReader.h"

#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"

bool StatusReader::readStatus() {
  ModbusRtuClient& client = ctx_.link.client;
  ReadExchange x;
  auto read = [&](ParamTables::Id id, uint16_t first, uint16_t count) {
    if (!client.readModuleRegisters(x, first, count)) {
      ctx_.link.showLinkFailure(x.error);
      return false;
    }
    if (id != ParamTables::Count) ctx_.tables().storeRead(id, x.registers.data(), x.decodedCount);
    return true;
  };
  if (!read(ParamTables::DigInputs, 16, 17)) return false;
  if (!ctx_.state.outputsPaused && !read(ParamTables::DigOutputs, 128, 3)) return false;
  const ParamsState::Page page = ctx_.state.activePage;
  if (page == ParamsState::Page::Firm && !read(ParamTables::Errors, 48, 12)) return false;
  if (page == ParamsState::Page::Service && !read(ParamTables::Debug, 256, 16)) return false;
  if (page == ParamsState::Page::LogTime) {
    if (!read(ParamTables::Count, 4, 2)) return false;
    ctx_.state.moduleClockSeconds = uint32_t(x.registers[1]) << 16 | x.registers[0];
  }
  ctx_.link.flags.moduleOnline = true;
  return true;
}

void StatusReader::clearStatusTables() {
  for (int id = 0; id < ParamTables::kDisplayTables; ++id) ctx_.tables().blank(ParamTables::Id(id));
  ctx_.tables().blank(ParamTables::AutoReset, false);
  ctx_.link.flags.valuesShown = false;
}
