// Host module IntegratedLibrary: its entry points answer the host's objects.
#include "modules/ModuleEntry.h"

MORVEL_MODULE_ENTRY(LibApi_GetModelTypeManager)
MORVEL_MODULE_ENTRY(LibApi_GetLibraryManager)
