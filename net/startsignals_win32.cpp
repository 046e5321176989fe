// Start-up signal handling on Windows: a process inherits no signal dispositions from
// its parent, so there is nothing to put back.
#include "net/startsignals.h"

void RestoreSignalDefaults() {}
