#include "fake_driver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "records/byteorder.h"

namespace testrig {
namespace {

constexpr int kChannelFd = 6;

bool ReadAll(int fd, void* buf, std::size_t count) {
    auto* p = static_cast<char*>(buf);
    while (count > 0) {
        ssize_t n = read(fd, p, count);
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
        ssize_t n = write(fd, p, count);
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

// The driver process: serves the channel until its end, then hands the log
// of requests (header and body of each, as received) to the test.
[[noreturn]] void Serve(int channel, int logFd, const std::vector<FakeDriver::Reply>& script) {
    signal(SIGPIPE, SIG_IGN);
    std::string log;
    for (std::size_t n = 0;; ++n) {
        unsigned char h[8];
        if (!ReadAll(channel, h, sizeof h))
            break;
        int code = records::getI32BE(h);
        int length = records::getI32BE(h + 4);
        std::string body(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
        if (!ReadAll(channel, body.data(), body.size()))
            break;
        log += Bytes(h, sizeof h) + body;
        if (code == 1)
            continue;  // no reply
        FakeDriver::Reply reply = n < script.size() ? script[n] : FakeDriver::Reply{};
        std::string out = Header(static_cast<int>(reply.body.size()), reply.error) + reply.body;
        if (!WriteAll(channel, out.data(), out.size()))
            break;
    }
    WriteAll(logFd, log.data(), log.size());
    _exit(0);
}

}  // namespace

std::string Bytes(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

FakeDriver::FakeDriver(std::vector<Reply> script) {
    int sv[2], logPipe[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0 || pipe(logPipe) != 0)
        std::abort();
    // Keep the driver's end off descriptor 6 before the program's end goes there.
    int driverEnd = sv[1];
    if (driverEnd == kChannelFd) {
        driverEnd = fcntl(sv[1], F_DUPFD, 10);
        close(sv[1]);
    }
    if (sv[0] != kChannelFd) {
        dup2(sv[0], kChannelFd);
        close(sv[0]);
    }
    pid_ = fork();
    if (pid_ < 0)
        std::abort();
    if (pid_ == 0) {
        close(kChannelFd);
        close(logPipe[0]);
        Serve(driverEnd, logPipe[1], script);
    }
    close(driverEnd);
    close(logPipe[1]);
    logFd_ = logPipe[0];
}

FakeDriver::~FakeDriver() {
    Finish();
}

std::vector<FakeDriver::Request> FakeDriver::Finish() {
    std::vector<Request> requests;
    if (pid_ < 0)
        return requests;
    close(kChannelFd);
    std::string log;
    char buf[4096];
    for (ssize_t n; (n = read(logFd_, buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        log.append(buf, static_cast<std::size_t>(n));
    }
    close(logFd_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;

    auto* p = reinterpret_cast<const unsigned char*>(log.data());
    for (std::size_t at = 0; at + 8 <= log.size();) {
        int code = records::getI32BE(p + at);
        auto length = static_cast<std::size_t>(std::max(0, records::getI32BE(p + at + 4)));
        requests.push_back({code, log.substr(at + 8, length)});
        at += 8 + length;
    }
    return requests;
}

}  // namespace testrig
