// Proofs of the options channel between real processes.
//
// Signals: a client process with the programs' parent check installed for
// the hang-up and quit signals (no SA_RESTART) gets both signals every
// millisecond while its exchanges block in write and in read on descriptor
// 6; /proc tells which call it is blocked in when each signal goes out.  The
// exchanges must complete with exactly the right bytes.
//
// A dying peer: scanhost is killed with SIGKILL while it holds a store,
// between request and reply and while it replaces the record file.  The
// client's store must fail (not hang, not crash), and the record file must
// hold one whole record: the last one acknowledged or the one in flight.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "proof_records.h"
#include "records/byteorder.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kChannelFd = 6;

Bytes Header(int first, int second) {
    Bytes h(8);
    records::putI32BE(h.data(), first);
    records::putI32BE(h.data() + 4, second);
    return h;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Hex(const Bytes& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

void WriteAll(int fd, const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        ASSERT_GT(w, 0) << std::strerror(errno);
        done += static_cast<size_t>(w);
    }
}

// Up to count bytes: fewer only at end of file.  chunk limits each read, and
// pauseUs sleeps between reads, for a slow peer.
Bytes ReadExactly(int fd, size_t count, size_t chunk = 1 << 20, useconds_t pauseUs = 0) {
    Bytes out(count);
    size_t done = 0;
    while (done < count) {
        const ssize_t r = read(fd, out.data() + done, std::min(chunk, count - done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += static_cast<size_t>(r);
        if (pauseUs > 0)
            usleep(pauseUs);
    }
    out.resize(done);
    return out;
}

std::string ReadToEnd(int fd) {
    std::string out;
    char buf[4096];
    for (;;) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return out;
        out.append(buf, static_cast<size_t>(r));
    }
}

// One line of a stream, without its newline; false at end of file.
bool ReadLine(int fd, std::string& line) {
    line.clear();
    char c;
    for (;;) {
        const ssize_t r = read(fd, &c, 1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A descriptor number above the standard ones and above 6, close-on-exec.
int Lift(int fd) {
    const int lifted = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return lifted;
}

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int p[2];
        if (pipe(p) == 0) {
            read = Lift(p[0]);
            write = Lift(p[1]);
        }
    }
    ~Pipe() {
        CloseWrite();
        if (read >= 0)
            close(read);
    }
    void CloseWrite() {
        if (write >= 0)
            close(write);
        write = -1;
    }
};

// Starts argv with stdout and stderr on the given descriptors and, when
// channel is not -1, the channel on descriptor 6.  Only async-signal-safe
// calls between fork and exec.
pid_t Spawn(const std::vector<std::string>& args, int channel, int out, int err) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if ((channel >= 0 && dup2(channel, kChannelFd) < 0) || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0) {
            _exit(126);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

// The system call pid is blocked in and its first argument; -1 while it runs.
struct Blocked {
    long nr = -1;
    long fd = -1;
};

Blocked BlockedIn(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
    Blocked b;
    std::string nr, fd;
    if (in >> nr >> fd && !nr.empty() && std::isdigit(static_cast<unsigned char>(nr[0]))) {
        b.nr = std::strtol(nr.c_str(), nullptr, 10);
        b.fd = std::strtol(fd.c_str(), nullptr, 16);
    }
    return b;
}

// True once pid has ended (a zombie, not yet waited for).
bool HasEnded(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const std::string::size_type end = line.rfind(')');
    return end == std::string::npos || end + 2 >= line.size() || line[end + 2] == 'Z';
}

// Sends the hang-up and the quit signal in turn to a process every
// millisecond, and counts those sent while it was blocked reading or
// writing the channel (read or recvfrom, write or sendto).
class Signaller {
  public:
    explicit Signaller(pid_t pid) : pid_(pid), thread_([this] { Run(); }) {}
    ~Signaller() { Stop(); }

    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    enum class Call { Read, Write };

    // Waits until n more signals have gone out while the process was blocked
    // reading or writing the channel; false if the process ends first (or
    // that never happens).
    bool AwaitBlockedSignals(Call call, int n) {
        std::atomic<long>& hits = call == Call::Read ? inRead_ : inWrite_;
        const long goal = hits + n;
        for (int i = 0; i < 30000 && hits < goal && !ended_; ++i) usleep(1000);
        return hits >= goal;
    }

    long sent() const { return sent_; }

  private:
    void Run() {
        bool hangUp = true;
        while (!stop_) {
            const Blocked b = BlockedIn(pid_);
            if (b.fd == kChannelFd && (b.nr == SYS_read || b.nr == SYS_recvfrom))
                ++inRead_;
            if (b.fd == kChannelFd && (b.nr == SYS_write || b.nr == SYS_sendto))
                ++inWrite_;
            if (HasEnded(pid_))
                ended_ = true;
            kill(pid_, hangUp ? SIGHUP : SIGQUIT);
            hangUp = !hangUp;
            ++sent_;
            usleep(1000);
        }
    }

    pid_t pid_;
    std::atomic<bool> stop_{false};
    std::atomic<long> inRead_{0};
    std::atomic<long> inWrite_{0};
    std::atomic<long> sent_{0};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// Removes "before=N" (errno before the call) from the client's lines.
std::string WithoutBefore(const std::string& line) {
    return std::regex_replace(line, std::regex(" before=[0-9]+"), "");
}

TEST(ChannelSignals, ExchangesBlockedInWriteAndReadCompleteWithTheRightBytes) {
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    const int peer = Lift(sv[0]);
    const int channel = Lift(sv[1]);
    Pipe out;
    // Four times a socket buffer: the write blocks many times over.
    const size_t bodySize = 4 << 20;
    const pid_t client =
        Spawn({PROOF_CLIENT_PATH, "signals", std::to_string(bodySize)}, channel, out.write, 2);
    ASSERT_GT(client, 0);
    close(channel);
    out.CloseWrite();

    // The first request's header: the client has its handlers by now.
    EXPECT_EQ(ReadExactly(peer, 8), Header(1, static_cast<int>(bodySize)));
    Signaller signals(client);

    // Nothing read yet: the body's write blocks on the full socket.
    ASSERT_TRUE(signals.AwaitBlockedSignals(Signaller::Call::Write, 20));
    const Bytes body = ReadExactly(peer, bodySize, 4096, 100);
    EXPECT_TRUE(body == proof::PatternBytes(bodySize)) << "code 1 body differs";

    // The fetch: signals while the reply header is awaited and while the
    // record is half there.
    EXPECT_EQ(ReadExactly(peer, 8), Header(200, 0));
    ASSERT_TRUE(signals.AwaitBlockedSignals(Signaller::Call::Read, 20));
    const Bytes record = proof::StoreRecord(7);
    WriteAll(peer, Concat(Header(40, 0), Bytes(record.begin(), record.begin() + 13)));
    ASSERT_TRUE(signals.AwaitBlockedSignals(Signaller::Call::Read, 20));
    WriteAll(peer, Bytes(record.begin() + 13, record.end()));

    // The store of the fetched record, reversed.
    const Bytes reversed(record.rbegin(), record.rend());
    EXPECT_EQ(Hex(ReadExactly(peer, 8 + 40)), Hex(Concat(Header(201, 40), reversed)));
    ASSERT_TRUE(signals.AwaitBlockedSignals(Signaller::Call::Read, 20));
    WriteAll(peer, Header(0, 0));

    const std::string printed = ReadToEnd(out.read);
    signals.Stop();
    const int status = Wait(client);
    close(peer);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    const std::vector<std::string> lines = Lines(printed);
    ASSERT_EQ(lines.size(), 4u) << printed;
    EXPECT_EQ(lines[0], "pid " + std::to_string(client));
    EXPECT_EQ(WithoutBefore(lines[1]), "one rc=0 err=0 data=");
    EXPECT_EQ(WithoutBefore(lines[2]), "get rc=0 err=0 data=" + Hex(record));
    EXPECT_EQ(WithoutBefore(lines[3]), "set rc=0 err=0 data=");
    std::printf("signals sent: %ld\n", signals.sent());
}

// --- scanhost killed while it holds a store.

class DyingPeer : public testing::Test {
  protected:
    void SetUp() override {
        // The client outlives scanhost; as a subreaper this test adopts it
        // and learns how it ended.
        ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        char tmpl[] = "/tmp/channel_proof.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        record_ = dir_ + "/fs2.rec";
        WriteFile(record_, proof::StoreRecord(0));
    }
    void TearDown() override {
        for (const std::string& name : DirEntries()) unlink((dir_ + "/" + name).c_str());
        rmdir(dir_.c_str());
    }

    static void WriteFile(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static Bytes ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::vector<std::string> DirEntries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir_.c_str())) {
            while (const dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            closedir(d);
        }
        return names;
    }

    // Temporary files of a record replacement in progress (or cut short).
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> temps;
        for (const std::string& name : DirEntries()) {
            if (name.rfind("fs2.rec.tmp", 0) == 0)
                temps.push_back(name);
        }
        return temps;
    }

    // scanhost serving the client's stores from FIRST on; extra options first.
    pid_t StartScanhost(const std::vector<std::string>& options, long first, int out, int err) {
        std::vector<std::string> args = {SCANHOST_PATH, "--record", record_, "--model", "fs2"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {PROOF_CLIENT_PATH, "stores", std::to_string(first)});
        return Spawn(args, -1, out, err);
    }

    struct ClientEnd {
        int status = -1;
        long lastAcked = -1;  // the last store answered with success (-1: none)
        std::string failure;  // the line of the store that failed
    };

    // Everything the client printed after scanhost died, and how it ended.
    ClientEnd FinishClient(int outFd) {
        ClientEnd end;
        const std::vector<std::string> lines = Lines(ReadToEnd(outFd));
        EXPECT_GE(lines.size(), 2u);
        if (lines.size() < 2)
            return end;
        const pid_t pid = static_cast<pid_t>(std::stol(lines[0].substr(4)));
        end.status = Wait(pid);
        const std::regex acked("set ([0-9]+) rc=0 .*");
        std::smatch m;
        for (size_t i = 1; i + 1 < lines.size(); ++i) {
            EXPECT_TRUE(std::regex_match(lines[i], m, acked)) << lines[i];
            end.lastAcked = std::stol(m[1]);
        }
        end.failure = lines.back();
        return end;
    }

    // The failed store: -1 with the number of the channel's end.  A request
    // written to a driver already gone fails to be written (203); a driver
    // that dies with the request read ends the reply early, which is 203 as
    // well, or a reset connection.  Never the errno from before the call:
    // end of file sets none.  requestRead: the driver is known to have read
    // it.
    static void ExpectChannelEnded(const std::string& failure, long index, bool requestRead) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(failure, m,
                                     std::regex("set " + std::to_string(index) +
                                                " rc=-1 err=([0-9]+) before=([0-9]+) data=")))
            << failure;
        const int err = std::stoi(m[1]);
        EXPECT_TRUE(err == 203 || err == ECONNRESET) << failure;
        if (err == 203 && requestRead) {
            EXPECT_NE(std::stoi(m[2]), 203) << "the number must not come from before the call";
        }
    }

    std::string dir_;
    std::string record_;
};

TEST_F(DyingPeer, KilledBetweenRequestAndReplyTheStoreFailsAndTheRecordIsWhole) {
    Pipe out, err;
    const pid_t host = StartScanhost({"--trace", "--delay", "600000"}, 1, out.write, err.write);
    ASSERT_GT(host, 0);
    out.CloseWrite();
    err.CloseWrite();

    // The trace line comes after the store and before the delayed reply.
    std::string line;
    bool stored = false;
    while (!stored && ReadLine(err.read, line)) stored = line.find("code=201") != std::string::npos;
    ASSERT_TRUE(stored) << "no store reached scanhost";
    ASSERT_EQ(kill(host, SIGKILL), 0);
    const int hostStatus = Wait(host);
    EXPECT_TRUE(WIFSIGNALED(hostStatus) && WTERMSIG(hostStatus) == SIGKILL);

    const ClientEnd end = FinishClient(out.read);
    EXPECT_TRUE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << end.status;
    EXPECT_EQ(end.lastAcked, -1);
    ExpectChannelEnded(end.failure, 1, true);
    EXPECT_EQ(Hex(ReadFile(record_)), Hex(proof::StoreRecord(1)));
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(DyingPeer, KilledWhileReplacingTheRecordLeavesTheOldOrTheNewOneWhole) {
    int landedOld = 0, landedNew = 0, tempsLeft = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Bytes before = ReadFile(record_);
        const long first = (round + 1) * 100000L;
        Pipe out;
        const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t host = StartScanhost({}, first, out.write, devNull);
        close(devNull);
        ASSERT_GT(host, 0);
        out.CloseWrite();

        // Kill as soon as a temporary record file shows, between its
        // creation and the rename over the record; a little later from
        // round to round, so some kills land after the rename.
        bool seen = false;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!seen && std::chrono::steady_clock::now() < giveUp) seen = !TempFiles().empty();
        usleep(static_cast<useconds_t>(round % 4) * 200);
        ASSERT_TRUE(seen) << "no record replacement seen";
        ASSERT_EQ(kill(host, SIGKILL), 0);
        Wait(host);

        const ClientEnd end = FinishClient(out.read);
        EXPECT_TRUE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << end.status;
        const long inFlight = end.lastAcked < 0 ? first : end.lastAcked + 1;
        ExpectChannelEnded(end.failure, inFlight, false);

        const Bytes now = ReadFile(record_);
        const Bytes acked = end.lastAcked < 0 ? before : proof::StoreRecord(end.lastAcked);
        const Bytes next = proof::StoreRecord(inFlight);
        EXPECT_TRUE(now == acked || now == next) << "record " << Hex(now) << "\nlast acknowledged "
                                                 << Hex(acked) << "\nin flight " << Hex(next);
        (now == next ? landedNew : landedOld) += 1;

        // A temporary file cut short stays behind; the record never depends
        // on it.  Clear it so the next round sees only its own.
        for (const std::string& name : TempFiles()) {
            ++tempsLeft;
            unlink((dir_ + "/" + name).c_str());
        }
    }
    std::printf(
        "killed with the old record in place: %d, with the new: %d; temporary files "
        "left: %d\n",
        landedOld, landedNew, tempsLeft);
}

}  // namespace
