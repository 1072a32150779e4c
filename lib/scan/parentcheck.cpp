// Ending an options program whose scanning application has gone.
#include "scan/parentcheck.h"

#include <signal.h>
#include <unistd.h>

namespace {

// The parent at start-up.  Written once, before any handler is installed, and
// only read by the handler.
pid_t startupParent = 0;
bool parentNoted = false;

}  // namespace

void InstallParentCheck(int signum) {
    if (!parentNoted) {
        startupParent = getppid();
        parentNoted = true;
    }
    struct sigaction action {};
    action.sa_handler = CheckParent;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: channel calls see EINTR and retry
    sigaction(signum, &action, nullptr);
}

void CheckParent(int /*signum*/) {
    // An orphan is adopted by init or by a subreaper (a desktop's service
    // manager), so "the parent has gone" is any change of parent, not only a
    // parent of 1.  getppid and _exit are async-signal-safe; exit is not.
    pid_t parent = getppid();
    if (parent != startupParent || parent == 1)
        _exit(0);
}
