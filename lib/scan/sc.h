// The client side of the options channel between an options program and the
// scanner driver: the channel handle, framed request/reply exchanges, the
// number of the last failure and the texts of error numbers.
//
// Every integer of a request or reply header crosses the channel most
// significant byte first.  Calls that can fail return 0 (or a count) and -1
// with the reason in SCerrno; a successful call never clears SCerrno.
#ifndef SCAN_SC_H
#define SCAN_SC_H

#include <cstdint>

// Request codes of the options programs.
constexpr int SC_OPT_GET = 200;  // fetch the device's option record
constexpr int SC_OPT_SET = 201;  // store the device's option record

// Size of _SCDriverMessage, the terminator included.
constexpr int SC_DRIVER_MESSAGE_SIZE = 512;

// The options-channel handle: requests go to reqFd, replies come from replyFd.
struct SCOptHandle {
    int reqFd;
    int replyFd;
};

// An open scanner connection; only its descriptor is used here.
struct SCConnection {
    std::int32_t reserved1;
    std::int32_t reserved2;
    std::int32_t fd;
};

// Number of the last failure: below 136 a system error number, 200..233 a
// scanner error (230: the driver's own text is in _SCDriverMessage).
extern int SCerrno;

// The driver's text from the last error reply 230, NUL-terminated.
extern char _SCDriverMessage[SC_DRIVER_MESSAGE_SIZE];

// Makes the handle of the channel inherited on descriptor 6; null with
// SCerrno 204 when it cannot be allocated.  Does no input or output.
SCOptHandle* SCGetScanOpt(int* argc, char** argv);

// One exchange on the options channel: sends the request code and sendLen
// bytes of send, then (except for code 1) reads one whole reply, at most
// recvCap bytes of whose data land in recv; whatever else the reply carries
// is read and discarded, so the next exchange starts at its own reply.
int SCScanOpt(SCOptHandle* handle, int code, const void* send, int sendLen, void* recv,
              int recvCap);

// The same exchange over a scanner connection's one descriptor.
int SCScanCmd(SCConnection* conn, int code, const void* send, int sendLen, void* recv, int recvCap);

// The exchange itself, on explicit descriptors.
int _SCDoIPC(int readFd, int writeFd, int code, const void* send, int sendLen, void* recv,
             int recvCap);

// Writes all count bytes, repeating on EINTR: count (0 for count <= 0) or -1.
int _SCWrite(int fd, const void* buf, int count);

// Reads count bytes, repeating on EINTR: the bytes read (fewer only at end of
// file; 0 for count <= 0) or -1.
int _SCRead(int fd, void* buf, int count);

// The text for an error number; the caller uses it before its next call and
// never frees it.
const char* SCErrorString(int errnum);

// Prints the text of SCerrno to standard error, after "prefix: " when the
// prefix is neither null nor empty.
void SCPerror(const char* prefix);

#endif
