#include "app/strayengines.h"

#include "platform/processes.h"

// Only engine processes whose launching program has ended are killed: live ones may serve another program's
// browser view.
void killStrayEngineProcesses()
{
    killOrphanedProcessesByImageName(browserEngineImageName());
}
