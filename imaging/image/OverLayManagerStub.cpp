#include "OverLayManagerStub.h"

int CurrentOverlayTool = 0;
int CurrentOverlayMode = 3;
