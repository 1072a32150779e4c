// Memory checking of real sessions: each options program runs under valgrind
// memcheck, started by scanhost with its channel on descriptor 6, on a
// private X server, and goes through a scripted session of real input:
// start, change controls, a store that fails with its error dialog, Apply,
// Help twice, OK.  memcheck must find no invalid read or write and no use of
// an uninitialised value (errors make valgrind end the program with status
// 99); only the toolkit's own known reports are suppressed (toolkit.supp).
// Leaks are reported in the test's output but fail nothing: the toolkit
// keeps its caches until exit.
#include "e2e.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Everything is slower under memcheck: generous limits, never timed
// assertions.
constexpr int kWindowMs = 180000;
constexpr int kExchangeMs = 120000;
constexpr int kExitMs = 300000;
constexpr int kErrorExit = 99;

struct SessionCase {
    const char* program;
    const char* title;
    Bytes record;                       // the device's record at start
    std::vector<const char*> controls;  // widgets the user clicks before storing
};

void PrintTo(const SessionCase& c, std::ostream* os) {
    *os << c.program;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// An executable script named like the program (scanhost tells the model
// from the name) that runs the real program under memcheck.
std::string WriteWrapper(const std::string& dir, const std::string& program,
                         const std::string& log) {
    const std::string folder = dir + "/memcheck";
    mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/" + program;
    std::ofstream out(path);
    out << "#!/bin/sh\n"
        << "exec " << PROOF_VALGRIND << " --tool=memcheck --error-exitcode=" << kErrorExit
        << " --track-origins=yes --num-callers=40 -s"
        << " --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=none"
        << " --suppressions=" << PROOF_SUPPRESSIONS << " --log-file=" << log << " "
        << e2e::ProgramPath(program) << " \"$@\"\n";
    out.close();
    chmod(path.c_str(), 0755);
    return path;
}

// The number after a summary heading in the log ("ERROR SUMMARY: 3 errors"),
// or -1 when the log has no such line.
long SummaryNumber(const std::string& log, const std::string& heading) {
    const std::regex re(heading + ":? *([0-9,]+)");
    std::smatch m;
    if (!std::regex_search(log, m, re))
        return -1;
    std::string digits = m[1];
    digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
    return std::stol(digits);
}

// The first line of the log that holds what, from what on.
std::string LineWith(const std::string& log, const std::string& what) {
    const auto at = log.find(what);
    return at == std::string::npos ? "" : log.substr(at, log.find('\n', at) - at);
}

class Memcheck : public ::testing::TestWithParam<SessionCase> {};

TEST_P(Memcheck, ScriptedSessionHasNoMemoryErrors) {
    const SessionCase& c = GetParam();
    e2e::Session s;
    const std::string log = s.tempDir() + "/memcheck.log";
    e2e::Launch launch;
    launch.program = WriteWrapper(s.tempDir(), c.program, log);
    launch.scanhostArgs = {"--fail-set", "216"};  // the first store fails
    launch.record = c.record;
    ASSERT_TRUE(s.Start(launch));

    const Window dialog = s.WaitForWindow(c.title, kWindowMs);
    ASSERT_NE(dialog, 0u);
    ASSERT_EQ(s.WaitForExchanges(1, kExchangeMs).size(), 1u);
    for (const char* control : c.controls) ASSERT_TRUE(s.ClickWidget(dialog, control)) << control;

    // A failed store: the error dialog, dismissed with Return.
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    const Window error = s.WaitForWindow("Error", kWindowMs);
    ASSERT_NE(error, 0u);
    s.Key(error, "Return");
    ASSERT_TRUE(s.WaitForWindowGone("Error", kWindowMs));

    // A store that succeeds.
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    ASSERT_EQ(s.WaitForExchanges(3, kExchangeMs).size(), 3u);

    // Help twice, by its button and by F1 (the toolkit's help key), each
    // time closed with the help dialog's OK: made once, reloaded the second
    // time.
    for (int press = 0; press < 2; ++press) {
        if (press == 0) {
            ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Help"));
        } else {
            s.Key(dialog, "F1");
        }
        const Window help = s.WaitForWindow("Help", kWindowMs);
        ASSERT_NE(help, 0u);
        ASSERT_TRUE(s.ClickWidget(help, "  OK  "));
        ASSERT_TRUE(s.WaitForWindowGone("Help", kWindowMs));
    }

    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
    const int status = s.WaitExit(kExitMs);

    const auto trace = s.Trace();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0].code, 200);
    for (size_t i = 1; i < trace.size(); ++i) {
        EXPECT_EQ(trace[i].code, 201);
        EXPECT_EQ(trace[i].length, static_cast<int>(c.record.size()));
        EXPECT_EQ(trace[i].error, i == 1 ? 216 : 0);
        // Nothing changed between the stores.
        EXPECT_EQ(trace[i].body, trace[1].body);
    }
    EXPECT_EQ(s.Record(), trace[3].body);
    // The clicks reached the record.
    EXPECT_NE(trace[1].body, c.record);

    const std::string text = ReadFile(log);
    // memcheck really ran the program.
    EXPECT_NE(text.find("Command: " + e2e::ProgramPath(c.program)), std::string::npos) << text;
    EXPECT_EQ(status, 0) << (status == kErrorExit ? "memcheck found errors:\n" : "") << text;
    EXPECT_EQ(SummaryNumber(text, "ERROR SUMMARY"), 0) << text;
    // The leak summary, for the record.
    std::cout << c.program << ": definitely lost " << SummaryNumber(text, "definitely lost")
              << " bytes, indirectly lost " << SummaryNumber(text, "indirectly lost")
              << " bytes, possibly lost " << SummaryNumber(text, "possibly lost") << " bytes; "
              << LineWith(text, "ERROR SUMMARY") << "\n";
}

const SessionCase kSessions[] = {
    {"amberpane",
     "Ricoh FS2 Options",
     {
         0x00, 0x03, 0x00, 0x80, 0x80, 0x00,              // threshold, pattern 3, 128, media choice
         0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00,  // grey: smooth, 512, 512
         0x00, 0x02, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00,  // red: sharp, 256, 768
         0x00, 0x02, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00,  // blue
         0x00, 0x02, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00,  // green
         0x00, 0x00,
     },
     {"trans", "bwFrame.dither", "greyFrame.linear", "threshScroll", "togetherToggle",
      "colorFrame.error", "togetherToggle"}},
    {"cobaltpane",
     "ScanJet Options",
     {
         0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x81,  // intensity 0 in -127..127
         0x00, 0x00, 0x00, 0x7F, 0x00, 0x00, 0x00, 0x0A,  // contrast 10
         0xFF, 0xFF, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x7F,  // in -127..127
         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // no dither
         0x80, 0x00, 0x00, 0x00,                          // adapter present, not enabled
     },
     {"dithBayer", "iscroll", "cscroll", "disableTPA", "dithFine"}},
    {"indigopane",
     "Sharp Scanner Options",
     {
         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,  // full set, G1
         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,  // brightness 0, edge none
         0x00, 0x00, 0x00, 0x01,                          // dither none
     },
     {"g2", "bright", "edgeStrong", "dithB", "lightest"}},
};

INSTANTIATE_TEST_SUITE_P(Programs, Memcheck, ::testing::ValuesIn(kSessions),
                         [](const ::testing::TestParamInfo<SessionCase>& info) {
                             return std::string(info.param.program);
                         });

}  // namespace
