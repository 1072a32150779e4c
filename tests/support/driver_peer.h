// A scanner driver for in-process tests of a program: a process of its own
// at the far end of a real socketpair, whose program end becomes descriptor
// 6 of the test process, as the scanning application leaves it.  It answers
// each request with the next reply of its script and reports every request
// it receives back to the test.
//
// Descriptor 6 is closed on exec: a death test in the "fast" style forks
// the test process, and its child talks to the same driver (what it sends
// is reported as well); one in the "threadsafe" style starts the test
// afresh, which then starts a driver of its own.
#ifndef SCAN_TESTS_DRIVER_PEER_H
#define SCAN_TESTS_DRIVER_PEER_H

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace testrig {

class DriverPeer {
  public:
    struct Reply {
        int error = 0;     // 0: success, with body as the reply data
        std::string body;  // the data, or with error 230 the driver's text
    };
    struct Request {
        int code = 0;  // -1: the driver has ended, there is no further request
        std::string body;
    };

    // Starts the driver; descriptor 6 must be free.  Request n (counting
    // those with code 1, which get no reply) is answered with script[n],
    // requests beyond the script with success and no data.
    explicit DriverPeer(std::vector<Reply> script);
    // Finishes, unless the test has.
    ~DriverPeer();
    DriverPeer(const DriverPeer&) = delete;
    DriverPeer& operator=(const DriverPeer&) = delete;

    // The next request that the driver received, in channel order.  Call it
    // once the exchange has returned: the driver reports a request before
    // it answers.  Reports wait in a pipe, which holds some 64 KiB: a test
    // that sends more reads them as it goes.
    Request Next();

    // Closes descriptor 6, waits for the driver to see the end of the
    // channel and returns the requests not yet taken with Next, in order.
    std::vector<Request> Finish();

  private:
    // Reads the driver's next report; false once the driver has ended.
    bool ReadReport(Request* request);

    pid_t pid_ = -1;
    int reports_ = -1;  // read end of the driver's report pipe
};

// The bytes as a string, for comparing bodies.
std::string Bytes(const unsigned char* data, std::size_t size);

}  // namespace testrig

#endif
