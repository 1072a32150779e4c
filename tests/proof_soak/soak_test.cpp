// Long use: each options program, under scanhost on a private X server,
// takes 1,000 Apply presses and 100 Help presses, all real clicks through
// the server.  Before each Apply the user flips one of two controls, so the
// stores alternate between two known records: every store must reach
// scanhost whole (the record's length), with the right bytes and in order.
// The program's resident memory after the soak must be within 1 MiB of what
// it was after the first ten presses.
//
// Nothing here sleeps for a fixed time: each press waits for the store it
// causes to show in scanhost's trace, each Help for its window.
#include "e2e.h"

#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

constexpr int kApplies = 1000;
constexpr int kHelpEvery = 10;  // one Help after every tenth Apply: 100 in all
constexpr long kGrowthLimitKb = 1024;
constexpr int kWaitMs = 20000;

struct SoakCase {
    const char* program;
    const char* title;
    Bytes record;         // the device's record at start
    const char* flip[2];  // controls clicked in turn before each Apply
    Bytes stored[2];      // what Apply then stores
};

void PrintTo(const SoakCase& c, std::ostream* os) {
    *os << c.program;
}

// scanhost's trace, read as it grows: only the new part of the file is
// parsed on each look, so waiting for the thousandth store costs no more
// than waiting for the first.
class TraceTail {
  public:
    explicit TraceTail(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {}
    ~TraceTail() {
        if (fd_ >= 0)
            close(fd_);
    }
    TraceTail(const TraceTail&) = delete;
    TraceTail& operator=(const TraceTail&) = delete;

    // Waits until count exchanges have been traced; false when the limit
    // passes first.
    bool WaitFor(size_t count, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            ReadMore();
            if (exchanges_.size() >= count)
                return true;
            if (Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    const std::vector<e2e::Exchange>& exchanges() const { return exchanges_; }

  private:
    void ReadMore() {
        char buf[65536];
        ssize_t n;
        while (fd_ >= 0 && (n = read(fd_, buf, sizeof buf)) > 0) pending_.append(buf, n);
        const auto end = pending_.rfind('\n');
        if (end == std::string::npos)
            return;
        for (auto& ex : e2e::ParseTrace(pending_.substr(0, end + 1))) exchanges_.push_back(ex);
        pending_.erase(0, end + 1);
    }

    int fd_;
    std::string pending_;  // an unfinished last line
    std::vector<e2e::Exchange> exchanges_;
};

// Resident memory of a process in KiB, from /proc; -1 when unknown.
long ResidentKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Open descriptors of a process.
int OpenDescriptors(pid_t pid) {
    DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (dir == nullptr)
        return -1;
    int count = 0;
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

// Mappings of a process whose path ends with suffix.
int MappingsOf(pid_t pid, const std::string& suffix) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        count += line.size() >= suffix.size() &&
                 line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
    }
    return count;
}

// Where the pointer is, in root coordinates: where the last click went.
std::pair<int, int> PointerAt(Display* display) {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

class Soak : public ::testing::TestWithParam<SoakCase> {};

TEST_P(Soak, ThousandAppliesAndHundredHelpsStoreInOrderWithoutGrowing) {
    const SoakCase& c = GetParam();
    const auto started = Clock::now();
    e2e::Session s;
    e2e::Launch launch;
    launch.program = e2e::ProgramPath(c.program);
    launch.record = c.record;
    ASSERT_TRUE(s.Start(launch));
    const Window dialog = s.WaitForWindow(c.title);
    ASSERT_NE(dialog, 0u);
    TraceTail trace(s.tempDir() + "/program.err");
    ASSERT_TRUE(trace.WaitFor(1, kWaitMs));
    const pid_t pid = s.ProgramPid();
    ASSERT_GT(pid, 0);

    // The controls do not move while the dialog is up: find them once.  The
    // buttons of the dialogs are gadgets found in their pictures; the first
    // click on each tells where it is.
    std::pair<int, int> flip[2];
    for (int i = 0; i < 2; ++i) {
        const auto where = s.WidgetGeometry(dialog, c.flip[i]);
        ASSERT_TRUE(where.has_value()) << c.flip[i];
        flip[i] = {where->CenterX(), where->CenterY()};
    }
    std::pair<int, int> apply{-1, -1}, help{-1, -1};

    long baselineKb = -1;
    int baselineFds = -1;
    for (int press = 0; press < kApplies; ++press) {
        s.ClickAt(flip[press % 2].first, flip[press % 2].second);
        if (apply.first < 0) {
            ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
            apply = PointerAt(s.display());
        } else {
            s.ClickAt(apply.first, apply.second);
        }
        ASSERT_TRUE(trace.WaitFor(press + 2, kWaitMs)) << "store " << press + 1 << " never came";

        if (press % kHelpEvery == kHelpEvery - 1) {
            if (help.first < 0) {
                ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Help"));
                help = PointerAt(s.display());
            } else {
                s.ClickAt(help.first, help.second);
            }
            const Window helpWindow = s.WaitForWindow("Help", kWaitMs);
            ASSERT_NE(helpWindow, 0u) << "Help press " << press / kHelpEvery + 1;
            // The help dialog is placed anew each time it is shown.
            ASSERT_TRUE(s.ClickWidget(helpWindow, "  OK  "));
            ASSERT_TRUE(s.WaitForWindowGone("Help", kWaitMs))
                << "Help press " << press / kHelpEvery + 1;
        }
        if (press == kHelpEvery - 1) {
            baselineKb = ResidentKb(pid);
            baselineFds = OpenDescriptors(pid);
        }
    }
    const long finalKb = ResidentKb(pid);
    // Each Help maps the help file afresh: the earlier mapping and its
    // descriptor must have gone.
    EXPECT_EQ(OpenDescriptors(pid), baselineFds);
    EXPECT_LE(MappingsOf(pid, std::string("/") + c.program + ".hlp"), 1);

    s.Key(dialog, "Escape");  // Cancel: nothing more is sent
    EXPECT_EQ(s.WaitExit(), 0);

    const auto& seen = trace.exchanges();
    ASSERT_EQ(seen.size(), static_cast<size_t>(kApplies + 1));
    EXPECT_EQ(seen[0].code, 200);
    int wrong = 0;
    for (int i = 1; i <= kApplies; ++i) {
        const e2e::Exchange& ex = seen[i];
        const Bytes& expected = c.stored[(i - 1) % 2];
        if (ex.code != 201 || ex.length != static_cast<int>(expected.size()) || ex.error != 0 ||
            ex.body != expected) {
            if (++wrong <= 5)
                ADD_FAILURE() << "store " << i << ": " << ex.line;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(s.Record(), c.stored[(kApplies - 1) % 2]);

    ASSERT_GT(baselineKb, 0);
    ASSERT_GT(finalKb, 0);
    EXPECT_LE(finalKb - baselineKb, kGrowthLimitKb)
        << "resident memory grew from " << baselineKb << " KiB to " << finalKb << " KiB";
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count();
    std::cout << c.program << ": " << kApplies << " stores, " << kApplies / kHelpEvery
              << " helps in " << seconds << " s; resident " << baselineKb << " KiB after "
              << kHelpEvery << " presses, " << finalKb << " KiB at the end\n";
}

// Records already in the programs' normal form, so the start-up rewrites
// nothing and the two stored records differ only in the flipped control.
const SoakCase kSoaks[] = {
    {"amberpane",
     "Ricoh FS2 Options",
     // threshold method, pattern 4, threshold 100, media choice; channels
     // apart with green and blue equal to red; odd bytes where nothing reads.
     {0x00, 0x04, 0x00, 0x64, 0x85, 0x5A, 0x11, 0x21, 0x01, 0x00, 0xAB, 0xCD, 0x02, 0x00,
      0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01,
      0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x7E, 0x81},
     {"bwFrame.dither", "bwFrame.thresh"},
     {{0x02, 0x04, 0x00, 0x64, 0x85, 0x5A, 0x11, 0x21, 0x01, 0x00, 0xAB, 0xCD, 0x02, 0x00,
       0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01,
       0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x7E, 0x81},
      {0x00, 0x04, 0x00, 0x64, 0x85, 0x5A, 0x11, 0x21, 0x01, 0x00, 0xAB, 0xCD, 0x02, 0x00,
       0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01,
       0x03, 0x00, 0x22, 0x32, 0x00, 0xC8, 0xEF, 0x01, 0x03, 0x00, 0x7E, 0x81}}},
    {"cobaltpane",
     "ScanJet Options",
     // intensity 5 in -20..20, contrast -3 in -10..10, no dither with the
     // Bayer code kept, no adapter, the driver's own bits set.
     {0x00, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xEC, 0x00, 0x00, 0x00, 0x14,
      0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xF6, 0x00, 0x00, 0x00, 0x0A,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x15, 0xA5, 0x5A, 0x01},
     {"dithBayer", "dithNone"},
     {{0x00, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xEC, 0x00, 0x00, 0x00, 0x14,
       0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xF6, 0x00, 0x00, 0x00, 0x0A,
       0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x15, 0xA5, 0x5A, 0x01},
      {0x00, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0xFF, 0xEC, 0x00, 0x00, 0x00, 0x14,
       0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xF6, 0x00, 0x00, 0x00, 0x0A,
       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x15, 0xA5, 0x5A, 0x01}}},
    {"indigopane",
     "Sharp Scanner Options",
     // full set, G1, brightness +2, edge strong, dither C.
     {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4},
     {"g2", "g1"},
     {{0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4},
      {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4}}},
};

INSTANTIATE_TEST_SUITE_P(Programs, Soak, ::testing::ValuesIn(kSoaks),
                         [](const ::testing::TestParamInfo<SoakCase>& info) {
                             return std::string(info.param.program);
                         });

}  // namespace
