// A scanner driver in a process of its own at the far end of the options
// channel, for in-process tests of a program's Apply: the program's end of
// a socket pair sits on descriptor 6, as the scanning application leaves
// it, and the driver reports every request it receives back to the test.
#ifndef COBALTPANE_TESTS_DRIVER_PEER_H
#define COBALTPANE_TESTS_DRIVER_PEER_H

#include <sys/types.h>

#include <vector>

namespace testrig {

struct Request {
    int code = 0;
    std::vector<unsigned char> body;
};

class DriverPeer {
  public:
    // Starts the driver; it answers a fetch (200) with record and every
    // other request with the error number storeError (0: success).
    explicit DriverPeer(std::vector<unsigned char> record, int storeError = 0);
    // Closes descriptor 6 and waits for the driver to end.
    ~DriverPeer();
    DriverPeer(const DriverPeer&) = delete;
    DriverPeer& operator=(const DriverPeer&) = delete;

    // The next request that the driver received, in channel order.  Call it
    // only after the exchange has returned: the driver reports a request
    // before it answers.
    Request Next();

  private:
    pid_t pid_ = -1;
    int reports_ = -1;  // read end of the driver's report pipe
};

}  // namespace testrig

#endif
