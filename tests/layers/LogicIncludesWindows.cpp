// Must not compile: a folder's logic sits below its own windows.
#include "params/ui/MainPage.h"
