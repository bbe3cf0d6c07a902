#pragma once

#include <cstdint>

#include "link/LinkContext.h"

class ModbusRtuClient;
class SettingsStore;

// The output word of a bench module (R16 or D8R4): its output register, function 16, up to
// five attempts.
bool writeBenchOutputs(ModbusRtuClient& client, uint8_t slave, uint16_t word);

// The output words of the bench modules that the window asks for: the R16 word, then the
// D8R4 word, each to its module at the address of tp.ini [connect] (16 and 17 by default).
// Served by every pass with an open port, the module online or not.
void serveBenchOutputs(const LinkContext& link, const SettingsStore& tp);
