// The peer misbehaving while a program waits for the reply to a store, each
// program end to end under scanhost.
//
// A dying peer: scanhost (the scanning application and the driver in one)
// is killed with SIGKILL while the program waits for the reply to a store.
// The program must show its error dialog, neither crash nor hang, stay
// alive and usable (a later Apply on the dead channel fails the same way),
// and the record file must hold the old or the new record, whole.
//
// Two moments: after scanhost has stored the record, while --delay holds its
// reply (the file holds the new record), and before scanhost has read the
// request at all (the file keeps the old one).  In both scanhost is stopped
// first, so the moment cannot slip past, and the program is seen blocked
// reading its channel before the kill.
//
// A peer that keeps the program waiting while signals arrive: hang-ups (and
// quits, which indigopane handles too) sent again and again must leave the
// exchange to complete with the right bytes.
#include "e2e.h"

#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// How long scanhost waits before each reply in the ReplyHeld case: the
// time the test has to stop it once the store shows in its trace.
constexpr int kDelayMs = 2000;

struct ProgramCase {
    const char* program;
    const char* title;
    Bytes record;              // the device's record at start
    const char* flip;          // a control clicked before Apply, so the stored record differs
    std::vector<int> signals;  // what the program handles: hang-up, and quit in indigopane
};

enum class Moment { ReplyHeld, RequestUnread };

struct PeerCase {
    ProgramCase program;
    Moment moment;
};

void PrintTo(const PeerCase& c, std::ostream* os) {
    *os << c.program.program << (c.moment == Moment::ReplyHeld ? " reply held" : " request unread");
}

// True once the process is blocked reading descriptor 6 (read is system
// call 0 on this architecture): the program has sent its request and waits
// for the reply.
bool WaitingOnChannel(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string path = "/proc/" + std::to_string(pid) + "/syscall";
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        std::string number, fd;
        if (in >> number >> fd && number == "0" && fd == "0x6")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Starts the program of the case under scanhost (with extra scanhost
// options), waits for its dialog and its fetch, and flips one control so
// that the next store differs from the record on file.  Returns the
// dialog's window, or 0 when any step failed (the test has been told).
Window StartAndFlip(e2e::Session& s, const ProgramCase& c, std::vector<std::string> scanhostArgs) {
    e2e::Launch launch;
    launch.program = e2e::ProgramPath(c.program);
    launch.record = c.record;
    launch.scanhostArgs = std::move(scanhostArgs);
    if (!s.Start(launch)) {
        ADD_FAILURE() << "cannot start " << c.program;
        return 0;
    }
    const Window dialog = s.WaitForWindow(c.title);
    if (dialog == 0 || s.WaitForExchanges(1).size() != 1u || s.ProgramPid() <= 0 ||
        !s.ClickWidget(dialog, c.flip)) {
        ADD_FAILURE() << c.program << " did not come up, fetch, and take the click on " << c.flip;
        return 0;
    }
    return dialog;
}

class DyingPeer : public ::testing::TestWithParam<PeerCase> {};

TEST_P(DyingPeer, ProgramShowsTheErrorAndTheRecordFileIsWhole) {
    const ProgramCase& c = GetParam().program;
    const Moment moment = GetParam().moment;
    e2e::Session s;
    // scanhost holds every reply a while (the fetch's too); the store's is
    // held for good by stopping scanhost during its delay.
    std::vector<std::string> scanhostArgs;
    if (moment == Moment::ReplyHeld)
        scanhostArgs = {"--delay", std::to_string(kDelayMs)};
    const Window dialog = StartAndFlip(s, c, scanhostArgs);
    ASSERT_NE(dialog, 0u);
    const pid_t program = s.ProgramPid();
    if (moment == Moment::RequestUnread) {
        ASSERT_EQ(kill(s.scanhostPid(), SIGSTOP), 0);
    }
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    if (moment == Moment::ReplyHeld) {
        // scanhost traces a store once it has stored it, then waits before
        // replying: stopped now, it never replies.
        ASSERT_EQ(s.WaitForExchanges(2).size(), 2u);
        ASSERT_EQ(kill(s.scanhostPid(), SIGSTOP), 0);
    }
    ASSERT_TRUE(WaitingOnChannel(program, 10000)) << "the program is not waiting for a reply";
    s.KillParent();

    const Window error = s.WaitForWindow("Error");
    ASSERT_NE(error, 0u);
    EXPECT_TRUE(s.Running());
    const auto trace = s.Trace();
    if (moment == Moment::ReplyHeld) {
        ASSERT_EQ(trace.size(), 2u);
        EXPECT_EQ(trace[1].code, 201);
        EXPECT_NE(trace[1].body, c.record);
        EXPECT_EQ(s.Record(), trace[1].body) << "the new record, whole";
    } else {
        EXPECT_EQ(trace.size(), 1u);
        EXPECT_EQ(s.Record(), c.record) << "the old record, whole";
    }

    // Still working: Apply on the dead channel fails the same way, without
    // a signal ending the program.
    s.Key(error, "Return");
    ASSERT_TRUE(s.WaitForWindowGone("Error"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    ASSERT_NE(s.WaitForWindow("Error"), 0u);
    EXPECT_TRUE(s.Running());
    s.Key(s.FindWindow("Error"), "Return");
    ASSERT_TRUE(s.WaitForWindowGone("Error"));
    s.Key(dialog, "Escape");  // Cancel
    EXPECT_EQ(s.WaitExit(), 0);
}

// Hang-up (and in indigopane quit) signals, sent again and again while the
// program waits for the reply to a store with its parent alive: each one
// interrupts the read, the handler sees the parent and returns, the read is
// taken up again, and the exchange completes as if nothing had come.
// True once no signal of number signum waits for the process: it has been
// delivered (its handler has run or is running).
bool Delivered(pid_t pid, int signum, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const unsigned long long bit = 1ULL << (signum - 1);
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(path);
        std::string line;
        unsigned long long pending = 0;
        while (std::getline(in, line)) {
            if (line.compare(0, 7, "SigPnd:") == 0 || line.compare(0, 7, "ShdPnd:") == 0)
                pending |= std::stoull(line.substr(7), nullptr, 16);
        }
        if ((pending & bit) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class HeldReply : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(HeldReply, SignalsWhileWaitingLeaveTheExchangeWhole) {
    const ProgramCase& c = GetParam();
    constexpr int kRounds = 50;
    e2e::Session s;
    const Window dialog = StartAndFlip(s, c, {"--delay", std::to_string(kDelayMs)});
    ASSERT_NE(dialog, 0u);
    const pid_t program = s.ProgramPid();
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    ASSERT_EQ(s.WaitForExchanges(2).size(), 2u);
    ASSERT_EQ(kill(s.scanhostPid(), SIGSTOP), 0);  // the reply is held
    ASSERT_TRUE(WaitingOnChannel(program, 10000));
    for (int round = 0; round < kRounds; ++round) {
        for (int signum : c.signals) {
            ASSERT_EQ(kill(program, signum), 0);
            // Each one delivered, and the program back in its read, before
            // the next.
            ASSERT_TRUE(Delivered(program, signum, 10000)) << "round " << round;
            ASSERT_TRUE(WaitingOnChannel(program, 10000)) << "round " << round;
        }
    }
    ASSERT_EQ(kill(s.scanhostPid(), SIGCONT), 0);

    // A second store goes through as well, then Cancel ends the program.
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    const auto trace = s.WaitForExchanges(3, 2 * kDelayMs + 10000);
    ASSERT_EQ(trace.size(), 3u);
    // The program answers the widget-tree request once back in its event
    // loop, after the second exchange, when an error dialog would be up.
    s.Widgets(dialog);
    EXPECT_EQ(s.FindWindow("Error"), 0u) << "a store failed";
    EXPECT_TRUE(s.Running());
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(trace[i].code, 201);
        EXPECT_EQ(trace[i].error, 0);
        EXPECT_EQ(trace[i].body, trace[1].body);
    }
    EXPECT_NE(trace[1].body, c.record);
    s.Key(dialog, "Escape");
    EXPECT_EQ(s.WaitExit(), 0);
    EXPECT_EQ(s.Record(), trace[1].body);
}

const ProgramCase kPrograms[] = {
    {"amberpane",
     "Ricoh FS2 Options",
     {0x00, 0x04, 0x00, 0x64, 0x85, 0x5A, 0x11, 0x21, 0x01, 0x00, 0xAB, 0xCD, 0x02, 0x00,
      0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01,
      0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x7E, 0x81},
     "bwFrame.dither",
     {SIGHUP}},
    {"cobaltpane",
     "ScanJet Options",
     {0x00, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xEC, 0x00, 0x00, 0x00, 0x14,
      0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xF6, 0x00, 0x00, 0x00, 0x0A,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x15, 0xA5, 0x5A, 0x01},
     "dithBayer",
     {SIGHUP}},
    {"indigopane",
     "Sharp Scanner Options",
     {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4},
     "g2",
     {SIGHUP, SIGQUIT}},
};

std::vector<PeerCase> AllCases() {
    std::vector<PeerCase> cases;
    for (const ProgramCase& p : kPrograms) {
        cases.push_back({p, Moment::ReplyHeld});
        cases.push_back({p, Moment::RequestUnread});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Programs, DyingPeer, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<PeerCase>& info) {
                             return std::string(info.param.program.program) +
                                    (info.param.moment == Moment::ReplyHeld ? "ReplyHeld"
                                                                            : "RequestUnread");
                         });

INSTANTIATE_TEST_SUITE_P(Programs, HeldReply, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<ProgramCase>& info) {
                             return std::string(info.param.program);
                         });

}  // namespace
