// Stand-ins for the groups of controls until their own files define them;
// each goes as its real one lands.
#include "amberpane.h"

