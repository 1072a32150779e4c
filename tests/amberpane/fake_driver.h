// A scanner driver for in-process tests of a program's shell: a process of
// its own at the other end of a real socketpair, whose program end becomes
// descriptor 6 of the test process.  It answers each request with the next
// reply of its script and records every request it receives.
//
// Death tests fork the test process, so their children talk to the same
// driver: what they send shows up in the record as well.
#ifndef SCAN_TESTS_FAKE_DRIVER_H
#define SCAN_TESTS_FAKE_DRIVER_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace testrig {

class FakeDriver {
  public:
    struct Reply {
        int error = 0;     // 0: success, with body as the reply data
        std::string body;  // the data, or with error 230 the driver's text
    };
    struct Request {
        int code;
        std::string body;
    };

    // Starts the driver.  Requests beyond the script get success, no data.
    explicit FakeDriver(std::vector<Reply> script);
    ~FakeDriver();
    FakeDriver(const FakeDriver&) = delete;
    FakeDriver& operator=(const FakeDriver&) = delete;

    // Closes descriptor 6, waits for the driver to see the end of the channel
    // and returns every request it received, in order.
    std::vector<Request> Finish();

  private:
    pid_t pid_ = -1;
    int logFd_ = -1;
};

// The bytes as a string, for comparing bodies.
std::string Bytes(const unsigned char* data, std::size_t size);

}  // namespace testrig

#endif
