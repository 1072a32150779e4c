// amberpane: the options program of the Ricoh FS2 scanner.
#include "amberpane.h"

int main(int argc, char** argv) {
    return AmberpaneMain(argc, argv);
}
