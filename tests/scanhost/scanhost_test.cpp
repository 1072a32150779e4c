// scanhost as a user runs it: the real binary starts the scripted peer with
// a real channel on descriptor 6, and each test reads the peer's report, the
// exit status, scanhost's messages and the record file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "records/models.h"

namespace {

namespace fs = std::filesystem;
using records::Model;

struct Result {
    int status = -1;  // the exit status, or 128 + signal
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

std::string DefaultBytes(Model model) {
    const std::vector<unsigned char> rec = records::DefaultRecord(model);
    return std::string(rec.begin(), rec.end());
}

std::string DefaultHex(Model model) {
    return Hex(DefaultBytes(model));
}

// The line the peer prints for an exchange.
std::string Line(const std::string& name, int rc, int err, const std::string& dataHex,
                 const std::string& text = "") {
    return name + " rc=" + std::to_string(rc) + " err=" + std::to_string(err) + " data=" + dataHex +
           " text=" + text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// An FS2 record different from the default in every interpreted field and
// in the bytes nobody interprets.
const std::string kFs2Hex =
    "030500c8e37fabc203ff1234000100f1020000000200001300100000002000040100000001011234";

class ScanhostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/scanhost-test.XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
        record_ = dir_ + "/device.rec";
        env_ = {{"PATH", "/usr/bin:/bin"},
                {"HOME", dir_ + "/home"},
                {"XDG_STATE_HOME", dir_ + "/state"}};
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Runs the program with args, the environment env_, standard input from
    // /dev/null and extraFds more descriptors (3, 4, ...) open and inherited.
    Result Run(const std::vector<std::string>& args, int extraFds = 0,
               const std::string& program = SCANHOST_PATH) {
        const std::string outPath = dir_ + "/stdout";
        const std::string errPath = dir_ + "/stderr";
        std::vector<std::string> envStrings;
        for (const auto& kv : env_) envStrings.push_back(kv.first + "=" + kv.second);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : envStrings) envp.push_back(&e[0]);
        envp.push_back(nullptr);

        const pid_t pid = fork();
        if (pid == 0) {
            const int in = open("/dev/null", O_RDONLY);
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
                dup2(err, 2) < 0) {
                _exit(250);
            }
            close_range(3, ~0U, 0);
            for (int k = 0; k < extraFds; ++k) {
                if (open("/dev/null", O_RDONLY) != 3 + k)
                    _exit(251);
            }
            execve(argv[0], argv.data(), envp.data());
            _exit(252);
        }
        Result r;
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid)
            return r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = ReadFile(outPath);
        r.err = ReadFile(errPath);
        return r;
    }

    // scanhost with options, then the peer with its steps.
    Result RunPeer(const std::vector<std::string>& options, const std::vector<std::string>& steps,
                   int extraFds = 0) {
        std::vector<std::string> args = options;
        args.push_back(SCANPEER_PATH);
        args.insert(args.end(), steps.begin(), steps.end());
        return Run(args, extraFds);
    }

    std::vector<std::string> Fs2(std::vector<std::string> more = {}) {
        std::vector<std::string> options{"--model", "fs2", "--record", record_};
        options.insert(options.end(), more.begin(), more.end());
        return options;
    }

    std::string dir_;
    std::string record_;
    std::map<std::string, std::string> env_;
};

TEST_F(ScanhostTest, StoredRecordComesBackAndSurvivesInItsFile) {
    Result r = RunPeer(Fs2(), {"get:40", "set:" + kFs2Hex, "get:40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                Line("get", 0, 0, DefaultHex(Model::FS2)),
                                Line("set", 0, 0, ""),
                                Line("get", 0, 0, kFs2Hex),
                            }));
    EXPECT_EQ(Hex(ReadFile(record_)), kFs2Hex);

    // A second run starts from the file.
    r = RunPeer(Fs2(), {"get:40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), std::vector<std::string>{Line("get", 0, 0, kFs2Hex)});
    // Nothing but the record is left in its directory.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        entries += e.path().filename().string().rfind("device.rec", 0) == 0;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ScanhostTest, StoreThroughASymlinkedRecordKeepsTheLink) {
    // A relative link, as a user makes one: it resolves from the link's
    // directory, not from scanhost's working directory.
    fs::create_directory(dir_ + "/elsewhere");
    const std::string target = dir_ + "/elsewhere/real.rec";
    WriteFile(target, DefaultBytes(Model::FS2));
    fs::create_symlink("elsewhere/real.rec", record_);

    Result r = RunPeer(Fs2(), {"set:" + kFs2Hex, "get:40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out),
              (std::vector<std::string>{Line("set", 0, 0, ""), Line("get", 0, 0, kFs2Hex)}));
    ASSERT_TRUE(fs::is_symlink(record_));
    EXPECT_EQ(fs::read_symlink(record_), "elsewhere/real.rec");
    EXPECT_EQ(Hex(ReadFile(target)), kFs2Hex);
    // No temporary file is left beside the link or beside its target.
    for (const std::string& d : {dir_, dir_ + "/elsewhere"}) {
        for (const auto& e : fs::directory_iterator(d))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
}

TEST_F(ScanhostTest, StoreOfTheWrongSizeIsRefusedAndTheFileKept) {
    Result r = RunPeer(
        Fs2(), {"set:@39", "set:@41", "set:", "set:" + DefaultHex(Model::ScanJet), "get:40"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string refused = Line("set", -1, 232, "");
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{refused, refused, refused, refused,
                                                      Line("get", 0, 0, DefaultHex(Model::FS2))}));
    EXPECT_EQ(ReadFile(record_), DefaultBytes(Model::FS2));
}

TEST_F(ScanhostTest, EachModelServesItsOwnRecordSize) {
    struct Case {
        const char* model;
        Model m;
        std::size_t size;
    } const cases[] = {
        {"fs2", Model::FS2, 40}, {"scanjet", Model::ScanJet, 36}, {"sharp", Model::Sharp, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const std::string path = dir_ + "/" + c.model + ".rec";
        const std::string ones = Hex(std::string(c.size, '\x11'));
        Result r = RunPeer(
            {"--model", c.model, "--record", path},
            {"get:" + std::to_string(c.size), "set:@" + std::to_string(c.size + 4), "set:" + ones});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Lines(r.out),
                  (std::vector<std::string>{Line("get", 0, 0, DefaultHex(c.m)),
                                            Line("set", -1, 232, ""), Line("set", 0, 0, "")}));
        EXPECT_EQ(Hex(ReadFile(path)), ones);
    }
}

TEST_F(ScanhostTest, OversizedRequestIsRefusedAndTheChannelClosed) {
    // Request headers announcing 64 KiB + 1, a negative length and 2 GiB - 1.
    for (const char* header : {"000000c900010001", "000000c9ffffffff", "000000017fffffff"}) {
        SCOPED_TRACE(header);
        Result r = RunPeer(Fs2({"--trace"}), {"raw:" + std::string(header), "drain", "get:40"});
        ASSERT_EQ(r.status, 0) << r.err;
        // No reply came and the channel ended at once, without waiting for a
        // body; the next exchange finds it closed.
        EXPECT_EQ(Lines(r.out),
                  (std::vector<std::string>{"raw wrote=8", "drain bytes=0",
                                            Line("get", -1, 203, Hex(std::string(40, '\0')))}));
        EXPECT_NE(r.err.find(" refused\n"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("channel closed after a request whose body length"), std::string::npos)
            << r.err;
        EXPECT_EQ(ReadFile(record_), DefaultBytes(Model::FS2));
    }
}

TEST_F(ScanhostTest, BodyOfExactly64KiBIsServed) {
    Result r = RunPeer(Fs2(), {"one:@65536", "req:7:@65536:0", "get:40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"one rc=0", Line("req", -1, 207, ""),
                                                      Line("get", 0, 0, DefaultHex(Model::FS2))}));
}

TEST_F(ScanhostTest, CodeOneIsReadAndGetsNoReply) {
    // Were there a reply to code 1, the fetch would read it in place of its own.
    Result r = RunPeer(Fs2({"--trace"}), {"one:0102", "one:", "get:40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"one rc=0", "one rc=0",
                                                      Line("get", 0, 0, DefaultHex(Model::FS2))}));
    EXPECT_NE(r.err.find("scanhost: code=1 len=2 error=- reply=- body=0102 "), std::string::npos)
        << r.err;
}

TEST_F(ScanhostTest, OtherCodesAreIllegalCommands) {
    std::vector<std::string> steps;
    for (const char* code : {"0", "2", "199", "202", "-1", "2147483647"}) {
        steps.push_back(std::string("req:") + code + ":0a0b:4");
    }
    steps.push_back("get:40");
    Result r = RunPeer(Fs2(), steps);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected(6, Line("req", -1, 207, "00000000"));
    expected.push_back(Line("get", 0, 0, DefaultHex(Model::FS2)));
    EXPECT_EQ(Lines(r.out), expected);
}

TEST_F(ScanhostTest, InjectedFaults) {
    const std::string zeros = Hex(std::string(40, '\0'));
    const std::string def = DefaultHex(Model::FS2);
    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> steps;
        std::vector<std::string> expected;
        std::string fileHex;  // the record file afterwards
    } const cases[] = {
        {{"--fail-get", "216"},
         {"get:40", "get:40"},
         {Line("get", -1, 216, zeros), Line("get", 0, 0, def)},
         def},
        {{"--fail-get", "230", "--driver-message", "Lamp is warming up"},
         {"get:40", "set:" + kFs2Hex, "get:40"},
         {Line("get", -1, 230, zeros, "Lamp is warming up"), Line("set", 0, 0, ""),
          Line("get", 0, 0, kFs2Hex)},
         kFs2Hex},
        {{"--fail-set", "214"},
         {"set:" + kFs2Hex, "get:40", "set:" + kFs2Hex},
         {Line("set", -1, 214, ""), Line("get", 0, 0, def), Line("set", 0, 0, "")},
         kFs2Hex},
        {{"--fail-set-always", "216"},
         {"set:" + kFs2Hex, "set:" + kFs2Hex, "get:40"},
         {Line("set", -1, 216, ""), Line("set", -1, 216, ""), Line("get", 0, 0, def)},
         def},
        {{"--fail-set", "222", "--fail-set-always", "219"},
         {"set:" + kFs2Hex, "set:" + kFs2Hex},
         {Line("set", -1, 222, ""), Line("set", -1, 219, "")},
         def},
        // The text alone: the next store fails with it.
        {{"--driver-message", "Cover open"},
         {"set:" + kFs2Hex, "get:40", "set:" + kFs2Hex},
         {Line("set", -1, 230, "", "Cover open"), Line("get", 0, 0, def), Line("set", 0, 0, "")},
         kFs2Hex},
        // A fault applies to the next store whatever its size.
        {{"--fail-set", "216"},
         {"set:@3", "set:@3"},
         {Line("set", -1, 216, ""), Line("set", -1, 232, "")},
         def},
        // 230 without a text: an empty text.
        {{"--fail-set", "230"}, {"set:" + kFs2Hex}, {Line("set", -1, 230, "", "")}, def},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        std::remove(record_.c_str());
        Result r = RunPeer(Fs2(c.options), c.steps);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Lines(r.out), c.expected);
        EXPECT_EQ(Hex(ReadFile(record_)), c.fileHex);
    }
}

TEST_F(ScanhostTest, DelayComesBeforeEachReply) {
    // A lower bound only: the replies cannot come sooner than the delays.
    Result r = RunPeer(Fs2({"--delay", "150"}), {"mark", "get:40", "set:" + kFs2Hex, "elapsed"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], Line("get", 0, 0, DefaultHex(Model::FS2)));
    EXPECT_EQ(lines[1], Line("set", 0, 0, ""));
    ASSERT_EQ(lines[2].rfind("elapsed ms=", 0), 0u);
    EXPECT_GE(std::stol(lines[2].substr(11)), 300);
}

TEST_F(ScanhostTest, TraceNamesEveryExchange) {
    Result r = RunPeer(Fs2({"--trace", "--fail-get", "230", "--driver-message", "No paper"}),
                       {"get:40", "set:" + kFs2Hex, "req:9::0"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 3u) << r.err;
    EXPECT_EQ(lines[0].rfind("scanhost: code=200 len=0 error=230 reply=8 body=" + Hex("No paper") +
                                 " halftone=0 pattern=1 threshold=128 ",
                             0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[1].rfind("scanhost: code=201 len=40 error=0 reply=0 body=" + kFs2Hex +
                                 " halftone=3 pattern=5 threshold=200 flags=0xe3 mediaChoice=1 "
                                 "transparent=1 together=1 flagsLow=0x03 byte5=7f "
                                 "grey.gammaType=2 grey.brightness=1023 grey.contrast=1 "
                                 "grey.raw=abc203ff12340001 ",
                             0),
              0u)
        << lines[1];
    EXPECT_NE(lines[1].find(" bytes38_39=1234"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2].rfind("scanhost: code=9 len=0 error=207 reply=0 body= halftone=3 ", 0), 0u)
        << lines[2];
}

TEST_F(ScanhostTest, ExitStatusIsPassedThrough) {
    const struct {
        const char* step;
        int status;
    } cases[] = {
        {"exit:0", 0}, {"exit:7", 7}, {"exit:255", 255}, {"kill:15", 143}, {"kill:9", 137}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        Result r = RunPeer(Fs2(), {"get:40", c.step, "get:40"});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(Lines(r.out),
                  std::vector<std::string>{Line("get", 0, 0, DefaultHex(Model::FS2))});
    }
}

TEST_F(ScanhostTest, ChildGetsOnlyItsChannelOnSix) {
    // With 3 and 4 taken the child's end of the socket pair is created as
    // descriptor 6 itself; with 3 to 5 taken it must be moved there.
    for (int extra : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(extra);
        Result r = RunPeer(Fs2(), {"fds", "get:40"}, extra);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                                    "fds 0,1,2,6", Line("get", 0, 0, DefaultHex(Model::FS2))}));
    }
}

TEST_F(ScanhostTest, ProgramIsFoundBesideScanhostBeforePath) {
    // A copy of scanhost with a cobaltpane beside it, and another cobaltpane
    // on PATH that would end with status 99.
    fs::create_directories(dir_ + "/tool");
    fs::create_directories(dir_ + "/path");
    fs::copy_file(SCANHOST_PATH, dir_ + "/tool/scanhost");
    fs::create_symlink(SCANPEER_PATH, dir_ + "/tool/cobaltpane");
    WriteFile(dir_ + "/path/cobaltpane", "#!/bin/sh\nexit 99\n");
    chmod((dir_ + "/path/cobaltpane").c_str(), 0755);
    fs::create_symlink(SCANPEER_PATH, dir_ + "/path/indigopane");
    env_["PATH"] = dir_ + "/path:/usr/bin:/bin";

    // The model follows from the name; the record goes to the default place.
    Result r = Run({"cobaltpane", "get:36"}, 0, dir_ + "/tool/scanhost");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out),
              std::vector<std::string>{Line("get", 0, 0, DefaultHex(Model::ScanJet))});
    EXPECT_EQ(ReadFile(dir_ + "/state/scanhost/cobaltpane.rec"), DefaultBytes(Model::ScanJet));

    r = Run({"indigopane", "get:20"}, 0, dir_ + "/tool/scanhost");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), std::vector<std::string>{Line("get", 0, 0, DefaultHex(Model::Sharp))});

    // Without a copy beside it, PATH's cobaltpane runs.  (The build puts the
    // real programs beside the built scanhost, so use a lone copy.)
    fs::create_directories(dir_ + "/alone");
    fs::copy_file(SCANHOST_PATH, dir_ + "/alone/scanhost");
    r = Run({"--record", record_, "cobaltpane"}, 0, dir_ + "/alone/scanhost");
    EXPECT_EQ(r.status, 99) << r.err;
}

TEST_F(ScanhostTest, MissingRecordIsCreatedInTheStateDirectory) {
    const struct {
        bool xdg;
        const char* file;
    } cases[] = {{true, "/state/scanhost/scanpeer.rec"},
                 {false, "/home/.local/state/scanhost/scanpeer.rec"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        if (!c.xdg)
            env_.erase("XDG_STATE_HOME");
        Result r = RunPeer({"--model", "sharp"}, {"get:20"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Lines(r.out),
                  std::vector<std::string>{Line("get", 0, 0, DefaultHex(Model::Sharp))});
        EXPECT_EQ(ReadFile(dir_ + c.file), DefaultBytes(Model::Sharp));
    }
}

TEST_F(ScanhostTest, RecordFileOfTheWrongSizeStopsTheStart) {
    WriteFile(record_, DefaultBytes(Model::ScanJet));
    Result r = RunPeer(Fs2(), {"get:40"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");  // the program never ran
    EXPECT_NE(r.err.find("holds 36 bytes"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(record_), DefaultBytes(Model::ScanJet));
}

TEST_F(ScanhostTest, StartupErrors) {
    fs::create_directories(dir_ + "/dir.rec");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{SCANPEER_PATH}, 2, "--model"},
        {{"--model", "hp", SCANPEER_PATH}, 2, "unknown model 'hp'"},
        {{"--model", "fs2"}, 2, "no program"},
        {{"--fail-get", "x", SCANPEER_PATH}, 2, "--fail-get wants a number"},
        {{"--fail-set", "0", SCANPEER_PATH}, 2, "non-zero"},
        {{"--delay", "-5", SCANPEER_PATH}, 2, "--delay wants a number"},
        {{"--record"}, 2, "--record wants a value"},
        {{"--bogus", SCANPEER_PATH}, 2, "unknown option --bogus"},
        {{"--trace=yes", SCANPEER_PATH}, 2, "takes no value"},
        {{"--model", "fs2", "--record", dir_ + "/dir.rec", SCANPEER_PATH}, 2, "not a regular file"},
        {{"--model", "fs2", "--record", dir_ + "/no/such/dir.rec", SCANPEER_PATH}, 2, "no/such"},
        {{"--model", "fs2", "amberpane-missing"}, 127, "no such program"},
        {{"--model", "fs2", "/nonexistent/amberpane"}, 127, "no such program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

TEST_F(ScanhostTest, HelpDescribesTheOptions) {
    Result r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option :
         {"--model", "--record", "--fail-get", "--fail-set ", "--fail-set-always",
          "--driver-message", "--delay", "--trace", "--show", "PROGRAM"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
}

TEST_F(ScanhostTest, ShowNamesTheFieldsOfARecordFile) {
    std::string sharp(20, '\0');
    sharp[3] = 1;                                          // reducedSet
    sharp[7] = 2;                                          // gammaCurve
    sharp[8] = sharp[9] = sharp[10] = sharp[11] = '\xff';  // brightLevel -1
    sharp[15] = 3;                                         // edgeEmphasis
    sharp[19] = 5;                                         // ditherMode
    WriteFile(record_, sharp);
    Result r = Run({"--show", record_});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "model=sharp\nreducedSet=1\ngammaCurve=2\nbrightLevel=-1\nedgeEmphasis=3\n"
              "ditherMode=5\n");

    WriteFile(record_, DefaultBytes(Model::ScanJet));
    r = Run({"--show", record_, "--model", "scanjet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 14u);
    EXPECT_NE(r.out.find("\nintensityMin=-127\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\ntpaPresent=1\n"), std::string::npos) << r.out;

    WriteFile(record_, DefaultBytes(Model::FS2));
    r = Run({"--model", "scanjet", "--show", record_});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("holds 40 bytes"), std::string::npos) << r.err;

    WriteFile(record_, "1234567");
    r = Run({"--show", record_});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("size of no record"), std::string::npos) << r.err;

    r = Run({"--show", dir_ + "/missing.rec"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
}

}  // namespace
