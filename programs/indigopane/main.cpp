// indigopane: the Sharp options program, started by the scanning application
// with the options channel on descriptor 6.
#include "indigopane.h"

int main(int argc, char** argv) {
    return IndigopaneMain(argc, argv);
}
