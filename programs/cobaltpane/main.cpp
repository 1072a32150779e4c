// cobaltpane: the ScanJet options program, started by the scanning
// application with the options channel on descriptor 6.
#include "cobaltpane.h"

int main(int argc, char** argv) {
    return CobaltpaneMain(argc, argv);
}
