#include "app/strayengines.h"

void killStrayEngineProcesses()
{ }
