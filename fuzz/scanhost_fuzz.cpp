// Fuzz target: scanhost's request handling against arbitrary client bytes.
//
// Input layout:
//   byte 0  the device's model (value % 3: fs2, scanjet, sharp) and, (value / 3)
//           % 4, an injected fault: none, the next fetch fails with 216, the
//           next store fails with 230 and a text, every store fails with 214;
//           and, (value / 12) % 2, whether every exchange is traced
//   rest    the client's bytes, followed by end of file
//
// The bytes go over a real socketpair into ServeConnection on an in-memory
// device.  The target reads the same bytes as requests on its own and checks
// the way the connection ended, every reply byte for byte (each fetch answers
// the record as it stands then), and the record at the end: it changes only
// through a whole store of exactly the model's size.  No single allocation
// during the connection may exceed the largest body served; a trace line,
// which spells the body in hex beside the record's fields, may take a few
// times that.
#include <sanitizer/allocator_interface.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "records/byteorder.h"
#include "records/models.h"
#include "server.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr records::Model kModels[] = {records::Model::FS2, records::Model::ScanJet,
                                      records::Model::Sharp};
constexpr char kFaultText[] = "scanner lid open";

#define CHECK(cond, what)                                                  \
    do {                                                                   \
        if (!(cond)) {                                                     \
            std::fprintf(stderr, "scanhost_fuzz: %s (%s)\n", what, #cond); \
            std::abort();                                                  \
        }                                                                  \
    } while (0)

// The largest single allocation while the connection is served.
std::atomic<bool> measuring{false};
std::atomic<size_t> largest{0};

void NoteMalloc(const volatile void*, size_t size) {
    if (!measuring.load(std::memory_order_relaxed))
        return;
    size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
}

void NoteFree(const volatile void*) {}

// Replies are collected here, without allocating while measuring.  Every
// request of 8 bytes gets at most 8 + 40 bytes (or the fault text) back.
unsigned char replies[1 << 20];

// Writes the client's bytes until they are all gone or the server has
// stopped reading (a refused request ends the connection unread).
void WriteAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}

size_t CollectReplies(int fd) {
    size_t got = 0;
    for (;;) {
        CHECK(got < sizeof replies, "reply space exhausted; lower -max_len");
        const ssize_t r = read(fd, replies + got, sizeof replies - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return got;
        got += static_cast<size_t>(r);
    }
}

void PutReply(Bytes& out, std::int32_t error, const Bytes& body) {
    unsigned char h[8];
    records::putI32BE(h, static_cast<std::int32_t>(body.size()));
    records::putI32BE(h + 4, error);
    out.insert(out.end(), h, h + 8);
    out.insert(out.end(), body.begin(), body.end());
}

Bytes ErrorBody(std::int32_t error) {
    if (error != scanhost::kErrDriverText)
        return {};
    return Bytes(kFaultText, kFaultText + sizeof kFaultText - 1);
}

struct Outcome {
    scanhost::ServeEnd end = scanhost::ServeEnd::Closed;
    Bytes replies;
    Bytes record;
};

// The requests in the bytes, served by the rules of the channel.
Outcome Predict(records::Model model, scanhost::Faults faults, const unsigned char* d, size_t n) {
    Outcome o;
    o.record = records::DefaultRecord(model);
    size_t pos = 0;
    for (;;) {
        if (pos == n) {
            o.end = scanhost::ServeEnd::Closed;
            return o;
        }
        if (n - pos < 8) {
            o.end = scanhost::ServeEnd::Truncated;
            return o;
        }
        const std::int32_t code = records::getI32BE(d + pos);
        const std::int32_t length = records::getI32BE(d + pos + 4);
        pos += 8;
        if (length < 0 || length > scanhost::kMaxBody) {
            o.end = scanhost::ServeEnd::Refused;
            return o;
        }
        if (n - pos < static_cast<size_t>(length)) {
            o.end = scanhost::ServeEnd::Truncated;
            return o;
        }
        const Bytes body(d + pos, d + pos + length);
        pos += static_cast<size_t>(length);

        if (code == scanhost::kCodeNoReply)
            continue;
        if (code == scanhost::kCodeGet) {
            if (faults.failGet != 0) {
                PutReply(o.replies, faults.failGet, ErrorBody(faults.failGet));
                faults.failGet = 0;
            } else {
                PutReply(o.replies, 0, o.record);
            }
        } else if (code == scanhost::kCodeSet) {
            std::int32_t fault = faults.failSetAlways;
            if (faults.failSet != 0) {
                fault = faults.failSet;
                faults.failSet = 0;
            }
            if (fault != 0) {
                PutReply(o.replies, fault, ErrorBody(fault));
            } else if (body.size() != records::RecordSize(model)) {
                PutReply(o.replies, scanhost::kErrBadSavedOptions, {});
            } else {
                o.record = body;
                PutReply(o.replies, 0, {});
            }
        } else {
            PutReply(o.replies, scanhost::kErrIllegalCommand, {});
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(NoteMalloc, NoteFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    scanhost::Device device;
    device.model = kModels[data[0] % 3];
    device.record = records::DefaultRecord(device.model);
    switch ((data[0] / 3) % 4) {
        case 1:
            device.faults.failGet = 216;
            break;
        case 2:
            device.faults.failSet = scanhost::kErrDriverText;
            device.faults.driverMessage = kFaultText;
            break;
        case 3:
            device.faults.failSetAlways = scanhost::kErrDriver;
            break;
    }
    const bool traced = (data[0] / 12) % 2 == 1;
    static std::FILE* const sink = std::fopen("/dev/null", "w");
    device.trace = traced ? sink : nullptr;
    const scanhost::Faults faults = device.faults;
    const unsigned char* client = data + 1;
    const size_t clientLen = size - 1;

    int sv[2];
    CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) == 0, "socketpair");
    size_t replyLen = 0;
    std::thread collector([&] { replyLen = CollectReplies(sv[0]); });
    std::thread writer([&] {
        WriteAll(sv[0], client, clientLen);
        shutdown(sv[0], SHUT_WR);
    });

    largest.store(0);
    measuring.store(true);
    const scanhost::ServeEnd end = scanhost::ServeConnection(sv[1], device);
    measuring.store(false);
    shutdown(sv[1], SHUT_RDWR);
    writer.join();
    collector.join();
    close(sv[0]);
    close(sv[1]);

    const Outcome want = Predict(device.model, faults, client, clientLen);
    CHECK(end == want.end, "the way the connection ended");
    CHECK(Bytes(replies, replies + replyLen) == want.replies, "the replies");
    CHECK(device.record == want.record, "the record changes only by a whole store of its size");
    const size_t bound = static_cast<size_t>(scanhost::kMaxBody) * (traced ? 4 : 1);
    CHECK(largest.load() <= bound, "no allocation beyond the bound");
    return 0;
}
