// Exchanges of the options-channel client with a scripted peer on a real
// socketpair: the peer's reply bytes are written before the call (or by a
// peer thread where the client must block), and afterwards the test reads
// what the client sent and counts what it left unread.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "records/byteorder.h"
#include "scan/sc.h"

namespace {

std::string Header(int first, int second) {
    unsigned char h[8];
    records::putI32BE(h, first);
    records::putI32BE(h + 4, second);
    return std::string(reinterpret_cast<char*>(h), sizeof h);
}

// A reply as the driver sends it: length, error number, body.  The body may
// be shorter than the length announced (the peer then ends early).
std::string Reply(int length, int error, const std::string& body = "") {
    return Header(length, error) + body;
}

// A request as the client must send it: code, length, body.
std::string Request(int code, const std::string& body = "") {
    return Header(code, static_cast<int>(body.size())) + body;
}

void WriteAll(int fd, const std::string& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::string ReadExactly(int fd, size_t count) {
    std::string out(count, '\0');
    size_t done = 0;
    while (done < count) {
        ssize_t r = read(fd, &out[done], count - done);
        if (r <= 0) {
            break;
        }
        done += static_cast<size_t>(r);
    }
    out.resize(done);
    return out;
}

// Bytes queued for reading on fd.
int Unread(int fd) {
    int n = -1;
    ioctl(fd, FIONREAD, &n);
    return n;
}

// Everything queued on fd right now, without blocking.
std::string Drain(int fd) {
    std::string out(Unread(fd), '\0');
    if (!out.empty()) {
        out.resize(std::max<ssize_t>(0, recv(fd, &out[0], out.size(), MSG_DONTWAIT)));
    }
    return out;
}

// A socketpair whose ends sit above descriptor 10, clear of descriptor 6.
struct Pair {
    int client = -1;
    int peer = -1;
    Pair() {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) == 0) {
            client = fcntl(sv[0], F_DUPFD_CLOEXEC, 10);
            peer = fcntl(sv[1], F_DUPFD_CLOEXEC, 10);
            close(sv[0]);
            close(sv[1]);
        }
    }
    ~Pair() {
        close(client);
        close(peer);
    }
};

// Saves whatever is on descriptor 6 and puts it back afterwards.
struct SaveFdSix {
    int saved = fcntl(6, F_DUPFD_CLOEXEC, 10);  // -1 when 6 was not open
    ~SaveFdSix() {
        if (saved >= 0) {
            dup2(saved, 6);
            close(saved);
        } else {
            close(6);
        }
    }
};

constexpr int kUnchanged = 999;  // SCerrno before each exchange
constexpr char kOldText[] = "previous driver text";
constexpr size_t kBufSize = 16;

std::string Text(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += static_cast<char>('a' + i % 26);
    }
    return s;
}

struct ExchangeCase {
    const char* name;
    int code;
    std::string send;
    int cap;            // capacity offered; 0 passes a null buffer
    std::string reply;  // what the peer has sent before the call
    bool peerEnds;      // the peer then shuts its side down
    int result;
    int scerrno;         // SCerrno afterwards
    std::string recv;    // the 16-byte reply buffer afterwards (was all '.')
    std::string driver;  // _SCDriverMessage afterwards (was kOldText)
    int unread;          // reply bytes left in the channel
    std::string next;    // data of the next GET, when the peer goes on
};

void PrintTo(const ExchangeCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Dots(const std::string& prefix = "") {
    return prefix + std::string(kBufSize - prefix.size(), '.');
}

const ExchangeCase kExchanges[] = {
    {"Code1ReadsNoReply", 1, "abc", 16, Reply(4, 0, "DATA"), false, 0, kUnchanged, Dots(), kOldText,
     12, "DATA"},
    {"ShortSuccessFillsOnlyItsLength", SC_OPT_GET, "", 8, Reply(3, 0, "abc"), false, 0, kUnchanged,
     Dots("abc"), kOldText, 0, "NEXT"},
    {"LongSuccessFillsCapacityAndDiscardsRest", SC_OPT_GET, "", 4, Reply(10, 0, "0123456789"),
     false, 0, kUnchanged, Dots("0123"), kOldText, 0, "NEXT"},
    {"CapacityZeroReadsNoData", SC_OPT_SET, "record", 0, Reply(5, 0, "xxxxx"), false, 0, kUnchanged,
     Dots(), kOldText, 0, "NEXT"},
    {"NegativeSuccessLengthReadsNothing", SC_OPT_GET, "", 8, Reply(-5, 0), false, 0, kUnchanged,
     Dots(), kOldText, 0, "NEXT"},
    {"DriverTextEmpty", SC_OPT_GET, "", 8, Reply(0, 230), false, -1, 230, Dots(), "", 0, "NEXT"},
    {"DriverText511", SC_OPT_GET, "", 8, Reply(511, 230, Text(511)), false, -1, 230, Dots(),
     Text(511), 0, "NEXT"},
    {"DriverText600KeepsFirst511", SC_OPT_SET, "rec", 0, Reply(600, 230, Text(600)), false, -1, 230,
     Dots(), Text(511), 0, "NEXT"},
    {"NegativeErrorLengthGivesNoText", SC_OPT_GET, "", 8, Reply(-7, 230), false, -1, 230, Dots(),
     "", 0, "NEXT"},
    // Another error number: its body is discarded, the terminator still
    // goes at the body's length.
    {"OtherErrorBodyDiscarded", SC_OPT_SET, "rec", 0, Reply(6, 232, "abcdef"), false, -1, 232,
     Dots(), "previo", 0, "NEXT"},
    {"OtherErrorNoBody", SC_OPT_GET, "", 8, Reply(0, 207), false, -1, 207, Dots(), "", 0, "NEXT"},
    // End of file sets no system error, so the errno of the moment (EDOM,
    // set before the call) must not become the reason: the exchange with
    // the driver failed.  Likewise before a single byte of the header.
    {"EndInHeader", SC_OPT_GET, "", 8, Reply(4, 0, "DATA").substr(0, 3), true, -1, 203, Dots(),
     kOldText, 0, ""},
    {"EndBeforeHeader", SC_OPT_SET, "rec", 0, "", true, -1, 203, Dots(), kOldText, 0, ""},
    {"EndInData", SC_OPT_GET, "", 8, Reply(8, 0, "abc"), true, -1, 203, Dots("abc"), kOldText, 0,
     ""},
    {"EndInDriverText", SC_OPT_GET, "", 8, Reply(10, 230, "abcd"), true, -1, 230, Dots(), "abcd", 0,
     ""},
    // An absurd length: the surplus is discarded until the peer ends, and
    // the exchange has already succeeded.
    {"EndWhileDiscarding", SC_OPT_GET, "", 4, Reply(INT_MAX, 0, "0123456789"), true, 0, kUnchanged,
     Dots("0123"), kOldText, 0, ""},
};

class ScanExchange : public testing::TestWithParam<ExchangeCase> {};

TEST_P(ScanExchange, ConsumesExactlyOneReply) {
    const ExchangeCase& c = GetParam();
    Pair pair;
    ASSERT_GE(pair.client, 0);
    WriteAll(pair.peer, c.reply);
    if (c.peerEnds) {
        shutdown(pair.peer, SHUT_WR);
    }
    SCerrno = kUnchanged;
    std::strcpy(_SCDriverMessage, kOldText);
    std::string buf = Dots();

    errno = EDOM;
    int result = _SCDoIPC(pair.client, pair.client, c.code, c.send.data(),
                          static_cast<int>(c.send.size()), c.cap == 0 ? nullptr : &buf[0], c.cap);

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(SCerrno, c.scerrno);
    EXPECT_EQ(buf, c.recv);
    EXPECT_EQ(std::string(_SCDriverMessage), c.driver);
    if (c.scerrno == 230) {
        EXPECT_EQ(SCErrorString(230), _SCDriverMessage);
    }
    EXPECT_EQ(Drain(pair.peer), Request(c.code, c.send));
    EXPECT_EQ(Unread(pair.client), c.unread);

    if (!c.peerEnds) {
        // The peer then ends, so a client that reads too far sees end of
        // file instead of waiting.
        WriteAll(pair.peer, Reply(4, 0, "NEXT"));
        shutdown(pair.peer, SHUT_WR);
        char next[4] = {};
        EXPECT_EQ(_SCDoIPC(pair.client, pair.client, SC_OPT_GET, nullptr, 0, next, 4), 0);
        EXPECT_EQ(std::string(next, 4), c.next);
        EXPECT_EQ(Drain(pair.peer), Request(SC_OPT_GET));
    }
}

INSTANTIATE_TEST_SUITE_P(ScanChannel, ScanExchange, testing::ValuesIn(kExchanges),
                         [](const testing::TestParamInfo<ExchangeCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ScanChannel, ReplyHeaderReadFailureGivesSystemError) {
    Pair pair;
    SCerrno = kUnchanged;
    EXPECT_EQ(_SCDoIPC(-1, pair.client, SC_OPT_GET, nullptr, 0, nullptr, 0), -1);
    EXPECT_EQ(SCerrno, EBADF);
    EXPECT_EQ(Drain(pair.peer), Request(SC_OPT_GET));
}

// SCScanOpt writes to the request descriptor and reads from the reply one;
// SCScanCmd uses the connection's one descriptor both ways.
TEST(ScanChannel, EntryPointsUseTheirDescriptors) {
    Pair requests, replies;
    WriteAll(replies.peer, Reply(2, 0, "ok"));
    shutdown(replies.peer, SHUT_WR);
    shutdown(requests.peer, SHUT_WR);
    SCOptHandle handle{requests.client, replies.client};
    char buf[2] = {};
    EXPECT_EQ(SCScanOpt(&handle, SC_OPT_SET, "abc", 3, buf, 2), 0);
    EXPECT_EQ(std::string(buf, 2), "ok");
    EXPECT_EQ(Drain(requests.peer), Request(SC_OPT_SET, "abc"));
    EXPECT_EQ(Unread(requests.client), 0);

    Pair conn;
    WriteAll(conn.peer, Reply(2, 0, "hi"));
    shutdown(conn.peer, SHUT_WR);
    SCConnection scanner{0, 0, conn.client};
    EXPECT_EQ(SCScanCmd(&scanner, SC_OPT_GET, nullptr, 0, buf, 2), 0);
    EXPECT_EQ(std::string(buf, 2), "hi");
    EXPECT_EQ(Drain(conn.peer), Request(SC_OPT_GET));
}

TEST(ScanChannel, HandleUsesDescriptorSix) {
    Pair pair;
    SaveFdSix keep;
    ASSERT_EQ(dup2(pair.client, 6), 6);
    char arg0[] = "amberpane";
    char* argv[] = {arg0, nullptr};
    int argc = 1;
    SCOptHandle* handle = SCGetScanOpt(&argc, argv);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->reqFd, 6);
    EXPECT_EQ(handle->replyFd, 6);
    EXPECT_EQ(argc, 1);

    WriteAll(pair.peer, Reply(3, 0, "rec"));
    char buf[3] = {};
    EXPECT_EQ(SCScanOpt(handle, SC_OPT_GET, nullptr, 0, buf, 3), 0);
    EXPECT_EQ(std::string(buf, 3), "rec");
    EXPECT_EQ(Drain(pair.peer), Request(SC_OPT_GET));
    delete handle;
}

TEST(ScanChannel, DescriptorSixNotOpenGives203) {
    SaveFdSix keep;
    close(6);
    int argc = 0;
    SCOptHandle* handle = SCGetScanOpt(&argc, nullptr);
    ASSERT_NE(handle, nullptr);
    char buf[4];
    SCerrno = kUnchanged;
    EXPECT_EQ(SCScanOpt(handle, SC_OPT_GET, nullptr, 0, buf, 4), -1);
    EXPECT_EQ(SCerrno, 203);
    delete handle;
}

// A driver that has gone must come back as a failed exchange: the default
// action of SIGPIPE would end the program before it could say so.
TEST(ScanChannel, DriverGoneGives203WithoutSigpipe) {
    EXPECT_EXIT(
        {
            signal(SIGPIPE, SIG_DFL);
            int sv[2];
            if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0)
                _exit(2);
            close(sv[1]);
            unsigned char record[40] = {};
            SCerrno = 0;
            int r = _SCDoIPC(sv[0], sv[0], SC_OPT_SET, record, sizeof record, nullptr, 0);
            _exit(r == -1 && SCerrno == 203 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

// --- A real signal, delivered without SA_RESTART, while the client blocks.

volatile sig_atomic_t signalsSeen = 0;

void CountSignal(int) {
    signalsSeen = signalsSeen + 1;
}

class ScanInterrupted : public testing::Test {
  protected:
    void SetUp() override {
        struct sigaction sa {};
        sa.sa_handler = CountSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;  // no SA_RESTART: a blocked read or write fails with EINTR
        sigaction(SIGUSR1, &sa, &old_);
        signalsSeen = 0;
    }
    void TearDown() override { sigaction(SIGUSR1, &old_, nullptr); }

    // Waits until this (the client) thread sleeps in the kernel, then
    // interrupts it with SIGUSR1 and waits for the handler to have run.
    void InterruptClient() {
        WaitUntilClientSleeps();
        pthread_kill(client_, SIGUSR1);
        while (signalsSeen == 0) {
            usleep(1000);
        }
    }

    void WaitUntilClientSleeps() {
        const std::string path = "/proc/self/task/" + std::to_string(clientTid_) + "/stat";
        for (int i = 0; i < 20000; ++i) {
            std::ifstream stat(path);
            std::string line;
            std::getline(stat, line);
            std::string::size_type end = line.rfind(')');
            if (end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'S') {
                return;
            }
            usleep(1000);
        }
    }

    pthread_t client_ = pthread_self();
    pid_t clientTid_ = static_cast<pid_t>(syscall(SYS_gettid));
    struct sigaction old_ {};
};

TEST_F(ScanInterrupted, BlockedReadIsRepeated) {
    Pair pair;
    std::string request;
    std::thread peer([&] {
        request = ReadExactly(pair.peer, 8);
        InterruptClient();
        WaitUntilClientSleeps();
        WriteAll(pair.peer, Reply(5, 0, "hello"));
    });
    char buf[5] = {};
    int result = _SCDoIPC(pair.client, pair.client, SC_OPT_GET, nullptr, 0, buf, 5);
    peer.join();

    EXPECT_EQ(signalsSeen, 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(request, Request(SC_OPT_GET));
}

TEST_F(ScanInterrupted, BlockedWriteIsRepeated) {
    Pair pair;
    // Fill the channel towards the peer, so that the request blocks before
    // its first byte.
    size_t filled = 0;
    const std::string chunk(4096, 'f');
    for (size_t size : {chunk.size(), size_t{1}}) {
        while (send(pair.client, chunk.data(), size, MSG_DONTWAIT) > 0) {
            filled += size;
        }
    }
    const std::string body(100000, 'b');
    std::string filler, request;
    std::thread peer([&] {
        InterruptClient();
        filler = ReadExactly(pair.peer, filled);
        request = ReadExactly(pair.peer, 8 + body.size());
        WriteAll(pair.peer, Reply(2, 0, "ok"));
    });
    char buf[2] = {};
    int result = _SCDoIPC(pair.client, pair.client, SC_OPT_SET, body.data(),
                          static_cast<int>(body.size()), buf, 2);
    shutdown(pair.client, SHUT_WR);  // a client that gave up must not leave the peer waiting
    peer.join();

    EXPECT_EQ(signalsSeen, 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::string(buf, 2), "ok");
    EXPECT_EQ(filler, std::string(filled, 'f'));
    EXPECT_TRUE(request == Request(SC_OPT_SET, body));
}

}  // namespace
