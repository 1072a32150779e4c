#include "driver_peer.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace testrig {
namespace {

constexpr int kChannelFd = 6;

bool ReadAll(int fd, void* buf, size_t n) {
    auto* p = static_cast<unsigned char*>(buf);
    while (n > 0) {
        ssize_t got = read(fd, p, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* buf, size_t n) {
    auto* p = static_cast<const unsigned char*>(buf);
    while (n > 0) {
        ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        p += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

void PutBE(unsigned char* p, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<unsigned char>(u >> 24);
    p[1] = static_cast<unsigned char>(u >> 16);
    p[2] = static_cast<unsigned char>(u >> 8);
    p[3] = static_cast<unsigned char>(u);
}

std::int32_t GetBE(const unsigned char* p) {
    return static_cast<std::int32_t>((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                     (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]));
}

// Moves a descriptor to 10 or above, closed on exec; returns the new one.
int MoveHigh(int fd) {
    int high = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    if (high < 0)
        std::abort();
    close(fd);
    return high;
}

// The driver's loop: one request, its report to the test, then its reply.
[[noreturn]] void Serve(int channel, int reports, const std::vector<unsigned char>& record,
                        int storeError) {
    for (;;) {
        unsigned char header[8];
        if (!ReadAll(channel, header, sizeof header))
            _exit(0);
        std::int32_t code = GetBE(header);
        std::int32_t length = GetBE(header + 4);
        std::vector<unsigned char> body(length > 0 ? static_cast<size_t>(length) : 0);
        if (!ReadAll(channel, body.data(), body.size()))
            _exit(0);
        if (!WriteAll(reports, header, sizeof header) ||
            !WriteAll(reports, body.data(), body.size()))
            _exit(1);
        if (code == 1)
            continue;
        unsigned char reply[8];
        bool fetch = code == 200;
        std::int32_t error = fetch ? 0 : storeError;
        PutBE(reply, fetch ? static_cast<std::int32_t>(record.size()) : 0);
        PutBE(reply + 4, error);
        if (!WriteAll(channel, reply, sizeof reply) ||
            (fetch && !WriteAll(channel, record.data(), record.size())))
            _exit(1);
    }
}

}  // namespace

DriverPeer::DriverPeer(std::vector<unsigned char> record, int storeError) {
    if (fcntl(kChannelFd, F_GETFD) != -1) {
        std::fprintf(stderr, "descriptor %d is already in use\n", kChannelFd);
        std::abort();
    }
    int pair[2];
    int pipeFds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0 || pipe(pipeFds) != 0)
        std::abort();
    // Everything of ours stays clear of descriptor 6 except the program's
    // end, which goes there last.  It is closed on exec so that a death
    // test's fresh process starts without it.
    int programEnd = MoveHigh(pair[0]);
    int driverEnd = MoveHigh(pair[1]);
    reports_ = MoveHigh(pipeFds[0]);
    int reportEnd = MoveHigh(pipeFds[1]);
    if (dup3(programEnd, kChannelFd, O_CLOEXEC) != kChannelFd)
        std::abort();
    close(programEnd);
    pid_ = fork();
    if (pid_ < 0)
        std::abort();
    if (pid_ == 0) {
        close(kChannelFd);
        close(reports_);
        Serve(driverEnd, reportEnd, record, storeError);
    }
    close(driverEnd);
    close(reportEnd);
}

DriverPeer::~DriverPeer() {
    close(kChannelFd);
    close(reports_);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

Request DriverPeer::Next() {
    Request request;
    unsigned char header[8];
    if (!ReadAll(reports_, header, sizeof header)) {
        request.code = -1;  // the driver has ended
        return request;
    }
    request.code = GetBE(header);
    request.body.resize(static_cast<size_t>(GetBE(header + 4)));
    ReadAll(reports_, request.body.data(), request.body.size());
    return request;
}

}  // namespace testrig
