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
constexpr int kDelayMs = 3000;

struct ProgramCase {
    const char* program;
    const char* title;
    Bytes record;      // the device's record at start
    const char* flip;  // a control clicked before Apply, so the stored record differs
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

class DyingPeer : public ::testing::TestWithParam<PeerCase> {};

TEST_P(DyingPeer, ProgramShowsTheErrorAndTheRecordFileIsWhole) {
    const ProgramCase& c = GetParam().program;
    const Moment moment = GetParam().moment;
    e2e::Session s;
    e2e::Launch launch;
    launch.program = e2e::ProgramPath(c.program);
    launch.record = c.record;
    // scanhost holds every reply a while (the fetch's too); the store's is
    // held for good by stopping scanhost during its delay.
    if (moment == Moment::ReplyHeld)
        launch.scanhostArgs = {"--delay", std::to_string(kDelayMs)};
    ASSERT_TRUE(s.Start(launch));
    const Window dialog = s.WaitForWindow(c.title);
    ASSERT_NE(dialog, 0u);
    ASSERT_EQ(s.WaitForExchanges(1).size(), 1u);
    const pid_t program = s.ProgramPid();
    ASSERT_GT(program, 0);

    ASSERT_TRUE(s.ClickWidget(dialog, c.flip));
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

const ProgramCase kPrograms[] = {
    {"amberpane",
     "Ricoh FS2 Options",
     {0x00, 0x04, 0x00, 0x64, 0x85, 0x5A, 0x11, 0x21, 0x01, 0x00, 0xAB, 0xCD, 0x02, 0x00,
      0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01,
      0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x7E, 0x81},
     "bwFrame.dither"},
    {"cobaltpane",
     "ScanJet Options",
     {0x00, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xEC, 0x00, 0x00, 0x00, 0x14,
      0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xF6, 0x00, 0x00, 0x00, 0x0A,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x15, 0xA5, 0x5A, 0x01},
     "dithBayer"},
    {"indigopane",
     "Sharp Scanner Options",
     {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4},
     "g2"},
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

}  // namespace
