// Ending an options program whose scanning application has gone.
//
// The scanning application sends a hang-up when it goes away; a program
// whose parent has died must then end, one whose parent lives on must not.
#ifndef SCAN_PARENTCHECK_H
#define SCAN_PARENTCHECK_H

// Notes the current parent and installs CheckParent for the signal (empty
// mask, no SA_RESTART, so blocked channel calls see EINTR and retry).
// Call once per signal; the parent noted by the first call is kept.
void InstallParentCheck(int signum);

// Signal handler: _exit(0) when getppid() no longer is the parent noted at
// start-up (1 included); otherwise returns.
void CheckParent(int signum);

#endif
