// A scripted options program for scanhost's tests: runs the steps given on
// its command line over the channel on descriptor 6, through the real client
// library, and prints one line per step on standard output.
//
// Steps (BODY is hex, "@N" for N zero bytes, or empty):
//   get:CAP               fetch (200) into a zeroed buffer of CAP bytes
//   set:BODY              store (201) the body, no reply buffer
//   req:CODE:BODY:CAP     any request code
//   one:BODY              request code 1 (no reply read)
//   raw:HEX               write these bytes to the channel as they are
//   drain                 read the channel until end of file
//   fds                   list the open descriptors
//   mark, elapsed         milliseconds since the last mark
//   exit:N, kill:SIG      end with status N, or by signal SIG
// Exchanges print "NAME rc=R err=E data=HEX text=TEXT"; err is SCerrno after a
// failure (0 after success), text the driver's text after error 230.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "scan/sc.h"

namespace {

std::vector<unsigned char> ParseBody(const std::string& text) {
    if (!text.empty() && text[0] == '@')
        return std::vector<unsigned char>(std::stoul(text.substr(1)));
    std::vector<unsigned char> out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string Hex(const unsigned char* p, std::size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += kDigits[p[i] >> 4];
        out += kDigits[p[i] & 0x0F];
    }
    return out;
}

std::vector<std::string> Split(const std::string& step) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = step.find(':', start);
        parts.push_back(step.substr(start, colon == std::string::npos ? colon : colon - start));
        if (colon == std::string::npos)
            return parts;
        start = colon + 1;
    }
}

void Exchange(SCOptHandle* channel, const char* name, int code,
              const std::vector<unsigned char>& body, std::size_t cap) {
    std::vector<unsigned char> buf(cap);
    const int rc = SCScanOpt(channel, code, body.empty() ? nullptr : body.data(),
                             static_cast<int>(body.size()), cap == 0 ? nullptr : buf.data(),
                             static_cast<int>(cap));
    const int err = rc < 0 ? SCerrno : 0;
    std::printf("%s rc=%d err=%d data=%s text=%s\n", name, rc, err, Hex(buf.data(), cap).c_str(),
                err == 230 ? _SCDriverMessage : "");
}

// Held for the whole run and never freed, as the options programs hold it.
SCOptHandle* handle = nullptr;

long Millis() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed channel must show up as a failed exchange, not end the peer.
    signal(SIGPIPE, SIG_IGN);
    handle = SCGetScanOpt(&argc, argv);
    if (handle == nullptr)
        return 100;
    long mark = Millis();

    for (int i = 1; i < argc; ++i) {
        const std::vector<std::string> p = Split(argv[i]);
        const std::string& op = p[0];
        const auto arg = [&](std::size_t k) { return k < p.size() ? p[k] : std::string(); };
        if (op == "get") {
            Exchange(handle, "get", SC_OPT_GET, {}, std::stoul(arg(1)));
        } else if (op == "set") {
            Exchange(handle, "set", SC_OPT_SET, ParseBody(arg(1)), 0);
        } else if (op == "req") {
            Exchange(handle, "req", std::stoi(arg(1)), ParseBody(arg(2)),
                     arg(3).empty() ? 0 : std::stoul(arg(3)));
        } else if (op == "one") {
            const std::vector<unsigned char> body = ParseBody(arg(1));
            const int rc = SCScanOpt(handle, 1, body.empty() ? nullptr : body.data(),
                                     static_cast<int>(body.size()), nullptr, 0);
            std::printf("one rc=%d\n", rc);
        } else if (op == "raw") {
            const std::vector<unsigned char> bytes = ParseBody(arg(1));
            std::printf("raw wrote=%d\n",
                        _SCWrite(6, bytes.data(), static_cast<int>(bytes.size())));
        } else if (op == "drain") {
            long total = 0;
            unsigned char buf[4096];
            ssize_t n;
            while ((n = read(6, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)) {
                if (n > 0)
                    total += n;
            }
            std::printf("drain bytes=%ld\n", total);
        } else if (op == "fds") {
            std::set<int> fds;
            DIR* dir = opendir("/proc/self/fd");
            if (dir == nullptr)
                return 101;
            while (const struct dirent* e = readdir(dir)) {
                if (e->d_name[0] != '.' && std::atoi(e->d_name) != dirfd(dir)) {
                    fds.insert(std::atoi(e->d_name));
                }
            }
            closedir(dir);
            std::string list;
            for (int fd : fds) list += (list.empty() ? "" : ",") + std::to_string(fd);
            std::printf("fds %s\n", list.c_str());
        } else if (op == "mark") {
            mark = Millis();
        } else if (op == "elapsed") {
            std::printf("elapsed ms=%ld\n", Millis() - mark);
        } else if (op == "exit") {
            std::fflush(stdout);
            std::exit(std::stoi(arg(1)));
        } else if (op == "kill") {
            std::fflush(stdout);
            const int sig = std::stoi(arg(1));
            signal(sig, SIG_DFL);
            raise(sig);
        } else {
            std::fprintf(stderr, "scanpeer: unknown step %s\n", argv[i]);
            return 102;
        }
        std::fflush(stdout);
    }
    return 0;
}
