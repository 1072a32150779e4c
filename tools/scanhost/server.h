// The driver side of the options channel: reads framed requests, decides
// each reply against one device's state and writes it back.  No processes
// and no X here, so tests and fuzz targets can drive it directly.
#ifndef SCANHOST_SERVER_H
#define SCANHOST_SERVER_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "records/models.h"

namespace scanhost {

// The largest request body served; a longer one ends the connection unread.
constexpr std::int32_t kMaxBody = 64 * 1024;

// Request codes and the scanner error numbers this driver answers with.
constexpr std::int32_t kCodeNoReply = 1;
constexpr std::int32_t kCodeGet = 200;
constexpr std::int32_t kCodeSet = 201;
constexpr std::int32_t kErrIllegalCommand = 207;
constexpr std::int32_t kErrDriver = 214;  // the record could not be stored
constexpr std::int32_t kErrDriverText = 230;
constexpr std::int32_t kErrBadSavedOptions = 232;

// Failures to inject, for tests and for anyone writing a client.
struct Faults {
    std::int32_t failGet = 0;        // the next fetch answers this error (0: none)
    std::int32_t failSet = 0;        // the next store answers this error and stores nothing
    std::int32_t failSetAlways = 0;  // every store does so (after failSet is used up)
    std::string driverMessage;       // the text that goes with any injected error 230
    int delayMs = 0;                 // pause before each reply
};

struct Device {
    records::Model model = records::Model::FS2;
    std::string recordPath;             // where stores go; empty keeps the record in memory
    std::vector<unsigned char> record;  // the device's current record
    Faults faults;
    std::FILE* trace = nullptr;  // one line per exchange when set
};

struct Reply {
    bool send = false;  // false: the request gets no reply (code 1)
    std::int32_t error = 0;
    std::vector<unsigned char> body;
};

// Decides the reply to one whole request and applies it to the device: 200
// answers the record; 201 stores a body of exactly the record size (232 for
// any other size, 214 when the record file cannot be replaced, the stored
// record unchanged in both cases); 1 gets no reply; any other code 207.
// Injected faults come first and are used up as documented in Faults.
Reply HandleRequest(Device& device, std::int32_t code, const std::vector<unsigned char>& body);

enum class ServeEnd {
    Closed,     // the client closed the channel between requests
    Truncated,  // the channel ended inside a request
    Refused,    // a body length below 0 or above kMaxBody; nothing more was read
    Failed,     // reading or writing the channel failed
};

// Serves requests on fd until one of the ends above; never closes fd.
ServeEnd ServeConnection(int fd, Device& device);

// The trace line of one exchange (without the newline): code, body length,
// the reply's error and body length ("-" for none), the body that crossed
// in hex (the request's, or the reply's when the request had none), then
// every field of the device's record after the exchange.
std::string TraceLine(const Device& device, std::int32_t code,
                      const std::vector<unsigned char>& body, const Reply& reply);

// Text for ServeEnd, for messages.
const char* ServeEndName(ServeEnd end);

}  // namespace scanhost

#endif
