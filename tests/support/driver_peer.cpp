#include "driver_peer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "records/byteorder.h"

namespace testrig {
namespace {

constexpr int kChannelFd = 6;

bool ReadAll(int fd, void* buf, std::size_t count) {
    auto* p = static_cast<char*>(buf);
    while (count > 0) {
        const ssize_t n = read(fd, p, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const void* buf, std::size_t count) {
    auto* p = static_cast<const char*>(buf);
    while (count > 0) {
        const ssize_t n = write(fd, p, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string Header(int a, int b) {
    unsigned char h[8];
    records::putI32BE(h, a);
    records::putI32BE(h + 4, b);
    return Bytes(h, sizeof h);
}

// Moves a descriptor to 10 or above, closed on exec; returns the new one.
int MoveHigh(int fd) {
    const int high = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    if (high < 0)
        std::abort();
    close(fd);
    return high;
}

// The driver process: for each request, its report to the test (header and
// body, as received), then its reply; ends with the channel.
[[noreturn]] void Serve(int channel, int reports, const std::vector<DriverPeer::Reply>& script) {
    signal(SIGPIPE, SIG_IGN);
    for (std::size_t n = 0;; ++n) {
        unsigned char h[8];
        if (!ReadAll(channel, h, sizeof h))
            break;
        const int code = records::getI32BE(h);
        const int length = records::getI32BE(h + 4);
        std::string body(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
        if (!ReadAll(channel, body.data(), body.size()))
            break;
        const std::string report = Bytes(h, sizeof h) + body;
        if (!WriteAll(reports, report.data(), report.size()))
            _exit(1);
        if (code == 1)
            continue;  // no reply
        const DriverPeer::Reply reply = n < script.size() ? script[n] : DriverPeer::Reply{};
        const std::string out =
            Header(static_cast<int>(reply.body.size()), reply.error) + reply.body;
        if (!WriteAll(channel, out.data(), out.size()))
            break;
    }
    _exit(0);
}

}  // namespace

std::string Bytes(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

DriverPeer::DriverPeer(std::vector<Reply> script) {
    if (fcntl(kChannelFd, F_GETFD) != -1) {
        std::fprintf(stderr, "descriptor %d is already in use\n", kChannelFd);
        std::abort();
    }
    int pair[2];
    int pipeFds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0 || pipe(pipeFds) != 0)
        std::abort();
    // Everything of ours stays clear of descriptor 6 except the program's
    // end, which goes there last.
    const int programEnd = MoveHigh(pair[0]);
    const int driverEnd = MoveHigh(pair[1]);
    reports_ = MoveHigh(pipeFds[0]);
    const int reportEnd = MoveHigh(pipeFds[1]);
    if (dup3(programEnd, kChannelFd, O_CLOEXEC) != kChannelFd)
        std::abort();
    close(programEnd);
    pid_ = fork();
    if (pid_ < 0)
        std::abort();
    if (pid_ == 0) {
        close(kChannelFd);
        close(reports_);
        Serve(driverEnd, reportEnd, script);
    }
    close(driverEnd);
    close(reportEnd);
}

DriverPeer::~DriverPeer() {
    Finish();
}

bool DriverPeer::ReadReport(Request* request) {
    unsigned char header[8];
    if (reports_ < 0 || !ReadAll(reports_, header, sizeof header))
        return false;
    request->code = records::getI32BE(header);
    const int length = records::getI32BE(header + 4);
    request->body.assign(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    return ReadAll(reports_, request->body.data(), request->body.size());
}

DriverPeer::Request DriverPeer::Next() {
    Request request;
    if (!ReadReport(&request))
        request = {-1, ""};
    return request;
}

std::vector<DriverPeer::Request> DriverPeer::Finish() {
    std::vector<Request> requests;
    if (pid_ < 0)
        return requests;
    close(kChannelFd);
    // The driver ends with the channel, which closes the report pipe.
    for (Request r; ReadReport(&r);) requests.push_back(r);
    close(reports_);
    reports_ = -1;
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return requests;
}

}  // namespace testrig
