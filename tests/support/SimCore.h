#pragma once

#include "app/AppContext.h"
#include "support/SimSession.h"

// The whole program's core on the simulated bus.
using SimCore = SimSession<AppContext>;
