#include "state.h"

MAINSTATE g_Main;
HIDDENLIST g_Hidden;
