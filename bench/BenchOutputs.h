#pragma once

#include "link/LinkContext.h"

class SettingsStore;

// The output words of the bench modules that the window asks for: the R16 word, then the
// D8R4 word, each to register 50 of its module at the address of tp.ini [connect] (16 and 17
// by default). Served by every pass with an open port, the module online or not.
void serveBenchOutputs(const LinkContext& link, const SettingsStore& tp);
