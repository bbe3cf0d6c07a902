// Must not compile: the link layer sits below the parameter model, so its include root does
// not hold the model's headers. ctest builds this to see the build refuse it.
#include "params/ParameterTables.h"
