// The popup window of the drop-down editors and the thread hooks that close shown popups.

#include "ui/editors/cxContainer.h"

void cxContainerFreeScreenCanvas();

void cxContainerFinalize() { cxContainerFreeScreenCanvas(); }
