// Host module FPGAFlow: its entry points answer the host's objects.
#include "modules/ModuleEntry.h"

MORVEL_MODULE_ENTRY(GetMorvelWorkspace)
