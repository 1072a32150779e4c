// The options-channel client: framing of requests and replies, the last
// failure number and the texts of error numbers.
#include "scan/sc.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <sys/socket.h>
#include <unistd.h>

#include "compat/gettxt.h"
#include "records/byteorder.h"

int SCerrno = 0;
char _SCDriverMessage[SC_DRIVER_MESSAGE_SIZE];

namespace {

// Error numbers the client produces itself.
constexpr int kCommError = 203;   // "Error communicating with scanner driver"
constexpr int kNoMemory = 204;    // "Out of memory"
constexpr int kDriverText = 230;  // the driver supplied its own text
constexpr int kFirstScanErr = 200;
constexpr int kLastScanErr = 233;
constexpr int kFirstUnnamed = 136;  // below this: system error numbers

// Request code that expects no reply.
constexpr int kNoReplyCode = 1;

constexpr int kHeaderSize = 8;

struct Message {
    const char* id;    // identifier in the "uxvelcat" catalogue
    const char* text;  // default when the catalogue has no translation
};

// One row per scanner error number, indexed by number - 200.
constexpr Message kMessages[] = {
    {"uxvelcat:74", "Device is not a scanner"},
    {"uxvelcat:75", "Device is not a supported scanner"},
    {"uxvelcat:76", "SCGetScanLine called after SCScanFD"},
    {"uxvelcat:77", "Error communicating with scanner driver"},
    {"uxvelcat:78", "Out of memory"},
    {"uxvelcat:79", "Can't access scanner"},
    {"uxvelcat:80", "Read error"},
    {"uxvelcat:81", "Illegal command"},
    {"uxvelcat:82", "Scanner not identified"},
    {"uxvelcat:83", "Illegal data type specified"},
    {"uxvelcat:84", "Unsupported operation"},
    {"uxvelcat:85", "Unsupported resolution specified"},
    {"uxvelcat:86", "Error getting data from scanner"},
    {"uxvelcat:87", "Not currently scanning"},
    {"uxvelcat:88", "Scanner driver error"},
    {"uxvelcat:89", "Bad scanning parameter"},
    {"uxvelcat:90", "Scanner is busy"},
    {"uxvelcat:91", "No such scanner"},
    {"uxvelcat:92", "Unsupported metric"},
    {"uxvelcat:93", "Feeder empty"},
    {"uxvelcat:94", "No feeder"},
    {"uxvelcat:95", "Feeder only supports automatic usage"},
    {"uxvelcat:96", "Feeder jammed"},
    {"uxvelcat:97", "Feeder error"},
    {"uxvelcat:98", "Feeder does not support programmed usage"},
    {"uxvelcat:99", "No scanners are installed"},
    {"uxvelcat:100", "Driver does not exist"},
    {"uxvelcat:101", "No options for this scanner"},
    {"uxvelcat:102", "Options are already running for this scanner"},
    {"uxvelcat:103", "Scan area is too small"},
    {"uxvelcat:104", "Driver specific error"},
    {"uxvelcat:105", "No scanner specific savable options"},
    {"uxvelcat:106", "Bad saved options"},
    {"uxvelcat:244", "No event pending"},
};
static_assert(sizeof kMessages / sizeof kMessages[0] == kLastScanErr - kFirstScanErr + 1,
              "one message per scanner error number");

constexpr Message kUnnamedFormat = {"uxvelcat:107", "Error code %d"};

// Where SCErrorString formats the text of a number without a message.
char formatted[512];

// Reads and throws away count bytes of a reply, so that the next exchange
// starts at the next reply header.  Stops early at end of file or on a
// failure: the channel is then broken and the next exchange will say so.
// Works through a small buffer, whatever length the peer announced.
void Discard(int fd, long long count) {
    char sink[1024];
    while (count > 0) {
        int chunk = count < static_cast<long long>(sizeof sink) ? static_cast<int>(count)
                                                                : static_cast<int>(sizeof sink);
        int got = _SCRead(fd, sink, chunk);
        if (got < chunk) {
            return;
        }
        count -= got;
    }
}

// True when fmt holds exactly one int conversion (%d or %i, with optional
// flags and width) and otherwise only "%%": a catalogue format that is safe
// to hand one int.
bool IsOneIntFormat(const char* fmt) {
    int conversions = 0;
    for (const char* p = fmt; *p != '\0'; ++p) {
        if (*p != '%') {
            continue;
        }
        ++p;
        if (*p == '%') {
            continue;
        }
        while (*p != '\0' && std::strchr("-+ 0#", *p) != nullptr) {
            ++p;
        }
        while (*p >= '0' && *p <= '9') {
            ++p;
        }
        if (*p != 'd' && *p != 'i') {
            return false;
        }
        ++conversions;
    }
    return conversions == 1;
}

}  // namespace

SCOptHandle* SCGetScanOpt(int* /*argc*/, char** /*argv*/) {
    SCOptHandle* handle = new (std::nothrow) SCOptHandle;
    if (handle == nullptr) {
        SCerrno = kNoMemory;
        return nullptr;
    }
    handle->reqFd = 6;
    handle->replyFd = 6;
    return handle;
}

int SCScanOpt(SCOptHandle* handle, int code, const void* send, int sendLen, void* recv,
              int recvCap) {
    return _SCDoIPC(handle->replyFd, handle->reqFd, code, send, sendLen, recv, recvCap);
}

int SCScanCmd(SCConnection* conn, int code, const void* send, int sendLen, void* recv,
              int recvCap) {
    return _SCDoIPC(conn->fd, conn->fd, code, send, sendLen, recv, recvCap);
}

int _SCDoIPC(int readFd, int writeFd, int code, const void* send, int sendLen, void* recv,
             int recvCap) {
    unsigned char header[kHeaderSize];
    records::putI32BE(header, code);
    records::putI32BE(header + 4, sendLen);
    if (_SCWrite(writeFd, header, kHeaderSize) < kHeaderSize) {
        SCerrno = kCommError;
        return -1;
    }
    if (_SCWrite(writeFd, send, sendLen) < sendLen) {
        SCerrno = kCommError;
        return -1;
    }
    if (code == kNoReplyCode) {
        return 0;
    }

    const int got = _SCRead(readFd, header, kHeaderSize);
    if (got < 0) {
        SCerrno = errno;
        return -1;
    }
    if (got < kHeaderSize) {
        // The driver went away before its reply.  End of file sets no system
        // error, and whatever errno held from earlier calls (often 0,
        // "Success") would tell the user nothing true: say that the exchange
        // with the driver failed.
        SCerrno = kCommError;
        return -1;
    }
    const int length = records::getI32BE(header);
    const int error = records::getI32BE(header + 4);

    if (error != 0) {
        SCerrno = error;
        // A negative length gives no text; the text and its terminator stay
        // inside the buffer.
        const int n = std::clamp(length, 0, SC_DRIVER_MESSAGE_SIZE - 1);
        int consumed = 0;
        bool whole = true;
        if (n != 0 && error == kDriverText) {
            // Cleared first, so that a text cut short by a broken channel
            // never shows the tail of an older one.
            std::memset(_SCDriverMessage, 0, n);
            consumed = _SCRead(readFd, _SCDriverMessage, n);
            whole = consumed == n;
        }
        _SCDriverMessage[n] = '\0';
        if (whole) {
            // The rest of the text beyond 511 bytes, or a body that came
            // with another error number.
            Discard(readFd, static_cast<long long>(length) - consumed);
        }
        return -1;
    }

    const int n = std::max(0, std::min(length, recvCap));
    if (_SCRead(readFd, recv, n) < n) {
        SCerrno = kCommError;
        return -1;
    }
    // Data beyond the caller's capacity.
    Discard(readFd, static_cast<long long>(length) - n);
    return 0;
}

namespace {

// Writes without raising SIGPIPE when the driver has gone: the program must
// hear of it as a failed exchange (error 203 in its dialog), not be killed.
// The channel is normally a socket; other descriptors fall back to write.
ssize_t writeNoSignal(int fd, const char* p, size_t n) {
    ssize_t r = send(fd, p, n, MSG_NOSIGNAL);
    if (r < 0 && errno == ENOTSOCK) {
        r = write(fd, p, n);
    }
    return r;
}

}  // namespace

int _SCWrite(int fd, const void* buf, int count) {
    const char* p = static_cast<const char*>(buf);
    int done = 0;
    while (done < count) {
        ssize_t r = writeNoSignal(fd, p + done, static_cast<size_t>(count - done));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (r == 0) {
            // No progress and no error: give up rather than spin.
            break;
        }
        done += static_cast<int>(r);
    }
    return done;
}

int _SCRead(int fd, void* buf, int count) {
    char* p = static_cast<char*>(buf);
    int done = 0;
    while (done < count) {
        ssize_t r = read(fd, p + done, static_cast<size_t>(count - done));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (r == 0) {
            break;  // end of file
        }
        done += static_cast<int>(r);
    }
    return done;
}

const char* SCErrorString(int errnum) {
    if (errnum == kDriverText) {
        return _SCDriverMessage;
    }
    if (errnum < kFirstUnnamed) {
        return std::strerror(errnum);
    }
    if (errnum >= kFirstScanErr && errnum <= kLastScanErr) {
        const Message& m = kMessages[errnum - kFirstScanErr];
        return gettxt(m.id, m.text);
    }
    // A translated format is used only when it takes exactly one int; any
    // other one would read arguments that were never passed.
    const char* fmt = gettxt(kUnnamedFormat.id, kUnnamedFormat.text);
    if (!IsOneIntFormat(fmt)) {
        fmt = kUnnamedFormat.text;
    }
    std::snprintf(formatted, sizeof formatted, fmt, errnum);
    return formatted;
}

void SCPerror(const char* prefix) {
    const char* text = SCErrorString(SCerrno);
    if (prefix != nullptr && prefix[0] != '\0') {
        std::fprintf(stderr, "%s: %s\n", prefix, text);
    } else {
        std::fprintf(stderr, "%s\n", text);
    }
}
