// Fuzz target: the options-channel client against arbitrary driver bytes.
//
// Input layout:
//   byte 0  request code (value % 3: 1, 200, 201) and, (value / 3) % 4, the
//           length of the data sent (0, 20, 36, 40)
//   byte 1  reply capacity (value % 4: 0, 20, 36, 40)
//   byte 2  size of the odd chunks the driver bytes arrive in (0: all the rest)
//   byte 3  size of the even chunks
//   rest    the driver's bytes, followed by end of file
//
// The driver bytes go over a real socketpair, written by a thread that hands
// over one chunk at a time and waits until the client has taken it, so the
// client's reads return in the sizes the input chooses.  After the exchange
// the target checks, against its own reading of the input: the result and
// SCerrno, the reply buffer (exact-size heap block, canary beyond the bytes
// that arrived), _SCDriverMessage (terminated inside its 512 bytes, changed
// only where the reply allows), the request the driver received, and that the
// channel holds exactly the bytes after the one reply.
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <string>
#include <thread>
#include <vector>

#include "records/byteorder.h"
#include "scan/sc.h"

namespace {

constexpr int kCodes[] = {1, SC_OPT_GET, SC_OPT_SET};
constexpr int kSizes[] = {0, 20, 36, 40};
constexpr int kSentinel = 12345;    // SCerrno before the call: no call sets it
constexpr int kErrnoBefore = EDOM;  // errno before the call: no result may reflect it
constexpr unsigned char kCanary = 0xA5;
constexpr int kMessageMax = SC_DRIVER_MESSAGE_SIZE - 1;

#define CHECK(cond, what)                                                \
    do {                                                                 \
        if (!(cond)) {                                                   \
            std::fprintf(stderr, "client_fuzz: %s (%s)\n", what, #cond); \
            std::abort();                                                \
        }                                                                \
    } while (0)

int Unread(int fd) {
    int n = 0;
    if (ioctl(fd, FIONREAD, &n) != 0)
        return 0;
    return n;
}

void WriteAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        CHECK(w > 0, "writing the driver bytes failed");
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// Everything readable on fd up to end of file.
std::string ReadToEnd(int fd) {
    std::string out;
    char buf[4096];
    for (;;) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        out.append(buf, static_cast<size_t>(r));
    }
    return out;
}

// Everything queued on fd now, without waiting.
std::string ReadQueued(int fd) {
    std::string out(static_cast<size_t>(Unread(fd)), '\0');
    if (!out.empty()) {
        const ssize_t r = recv(fd, &out[0], out.size(), MSG_DONTWAIT);
        out.resize(r > 0 ? static_cast<size_t>(r) : 0);
    }
    return out;
}

// The driver: writes the bytes in alternating chunks, each only once the
// client has taken the one before (or has finished its exchange), then ends
// the stream.
void Feed(int peer, int client, const unsigned char* p, size_t n, size_t oddChunk, size_t evenChunk,
          const std::atomic<bool>& done) {
    bool odd = true;
    while (n > 0) {
        size_t chunk = odd ? oddChunk : evenChunk;
        odd = !odd;
        if (chunk == 0 || chunk > n)
            chunk = n;
        WriteAll(peer, p, chunk);
        p += chunk;
        n -= chunk;
        while (!done.load() && Unread(client) > 0) sched_yield();
    }
    shutdown(peer, SHUT_WR);
}

std::string Header(int first, int second) {
    unsigned char h[8];
    records::putI32BE(h, first);
    records::putI32BE(h + 4, second);
    return std::string(reinterpret_cast<char*>(h), sizeof h);
}

// What the exchange must leave behind, worked out from the input alone.
struct Expected {
    int result = 0;
    int scErrno = kSentinel;
    std::string received;  // bytes that must land at the start of the reply buffer
    std::string leftover;  // bytes the channel must still hold
    int terminator = -1;   // position of the NUL written into _SCDriverMessage (-1: none)
    std::string text;      // bytes written before it (error 230), zero-padded up to it
};

Expected Predict(int code, int capacity, const unsigned char* d, size_t n) {
    Expected e;
    const std::string all(reinterpret_cast<const char*>(d), n);
    if (code == 1) {
        e.leftover = all;  // no reply is read
        return e;
    }
    e.result = -1;
    if (n < 8) {
        e.scErrno = 203;  // the driver ended before its reply header
        return e;
    }
    const int length = records::getI32BE(d);
    const int error = records::getI32BE(d + 4);
    const size_t avail = n - 8;
    const size_t replyEnd = 8 + static_cast<size_t>(std::max(length, 0));
    const std::string after = replyEnd < n ? all.substr(replyEnd) : std::string();

    if (error != 0) {
        e.scErrno = error;
        const int k = std::clamp(length, 0, kMessageMax);
        e.terminator = k;
        bool whole = true;
        if (error == 230 && k > 0) {
            const size_t got = std::min(static_cast<size_t>(k), avail);
            e.text = all.substr(8, got) + std::string(static_cast<size_t>(k) - got, '\0');
            whole = got == static_cast<size_t>(k);
        }
        e.leftover = whole ? after : std::string();
        return e;
    }
    const size_t want = static_cast<size_t>(std::max(0, std::min(length, capacity)));
    const size_t got = std::min(want, avail);
    e.received = all.substr(8, got);
    if (got < want) {
        e.scErrno = 203;
        return e;
    }
    e.result = 0;
    e.leftover = after;
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const int code = kCodes[data[0] % 3];
    const int sendLen = kSizes[(data[0] / 3) % 4];
    const int capacity = kSizes[data[1] % 4];
    const size_t oddChunk = data[2];
    const size_t evenChunk = data[3];
    const unsigned char* driver = data + 4;
    const size_t driverLen = size - 4;

    int sv[2];
    CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) == 0, "socketpair");
    const int client = sv[0];
    const int peer = sv[1];

    // Exact-size heap blocks, so any access beyond them is caught.
    unsigned char* send = sendLen > 0 ? new unsigned char[sendLen] : nullptr;
    for (int i = 0; i < sendLen; ++i) send[i] = static_cast<unsigned char>(i * 7 + 1);
    unsigned char* recv = capacity > 0 ? new unsigned char[capacity] : nullptr;
    for (int i = 0; i < capacity; ++i) recv[i] = kCanary;

    // A text no reply of this input wrote: every byte non-zero but the last.
    char before[SC_DRIVER_MESSAGE_SIZE];
    for (int i = 0; i < kMessageMax; ++i) before[i] = static_cast<char>('A' + i % 26);
    before[kMessageMax] = '\0';
    std::memcpy(_SCDriverMessage, before, sizeof before);
    SCerrno = kSentinel;

    std::atomic<bool> done{false};
    std::thread feeder(Feed, peer, client, driver, driverLen, oddChunk, evenChunk, std::cref(done));
    errno = kErrnoBefore;
    const int result = _SCDoIPC(client, client, code, send, sendLen, recv, capacity);
    const int scErrno = SCerrno;
    done.store(true);
    const std::string leftover = ReadToEnd(client);
    feeder.join();
    const std::string request = ReadQueued(peer);
    close(client);
    close(peer);

    const Expected e = Predict(code, capacity, driver, driverLen);
    CHECK(result == 0 || result == -1, "result is 0 or -1");
    CHECK(result == e.result, "result");
    CHECK(scErrno == e.scErrno, "SCerrno");
    CHECK(request == Header(code, sendLen) +
                         std::string(reinterpret_cast<char*>(send), static_cast<size_t>(sendLen)),
          "the request that reached the driver");
    CHECK(leftover == e.leftover, "exactly one reply consumed");

    for (size_t i = 0; i < static_cast<size_t>(capacity); ++i) {
        const unsigned char want =
            i < e.received.size() ? static_cast<unsigned char>(e.received[i]) : kCanary;
        CHECK(recv[i] == want, "reply data in place, the rest of the buffer untouched");
    }

    CHECK(std::memchr(_SCDriverMessage, '\0', sizeof _SCDriverMessage) != nullptr,
          "driver message terminated inside its buffer");
    for (int i = 0; i < SC_DRIVER_MESSAGE_SIZE; ++i) {
        char want = before[i];
        if (i < static_cast<int>(e.text.size()))
            want = e.text[static_cast<size_t>(i)];
        if (i == e.terminator)
            want = '\0';
        CHECK(_SCDriverMessage[i] == want, "driver message changed only by an error reply");
    }

    delete[] send;
    delete[] recv;
    return 0;
}
