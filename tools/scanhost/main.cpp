// scanhost: stands in for the scanning application and the scanner driver.
// It starts an options program with the options channel on descriptor 6,
// serves the program's requests from a record file, and ends with the
// program's exit status.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "recordfile.h"
#include "records/models.h"
#include "server.h"

namespace {

constexpr int kChannelFd = 6;
constexpr int kExitUsage = 2;        // bad options, unknown model, unusable record file
constexpr int kExitNoProgram = 127;  // the program cannot be found or started

const char kUsage[] =
    "usage: scanhost [options] PROGRAM [toolkit options...]\n"
    "       scanhost --show FILE [--model MODEL]\n"
    "\n"
    "Starts an options program with the options channel on descriptor 6, serves\n"
    "its requests from the device's record file, and exits with the program's\n"
    "status (128 + the signal number when a signal killed it).\n"
    "\n"
    "PROGRAM is looked for beside scanhost first, then on PATH; a name with a\n"
    "slash is used as given.  Its name chooses the model: amberpane fs2,\n"
    "cobaltpane scanjet, indigopane sharp.\n"
    "\n"
    "Requests served: 200 answers the record; 201 stores a record of exactly the\n"
    "model's size (40, 36 or 20 bytes; any other size is answered with 232 and\n"
    "the stored record kept), replacing the file durably, and answers 214 when\n"
    "the file cannot be replaced; 1 gets no reply; any other code gets 207.  A\n"
    "body longer than 65536 bytes (or a negative length) is refused unread and\n"
    "the channel closed; scanhost still waits for the program.\n"
    "\n"
    "options:\n"
    "  --model fs2|scanjet|sharp  the device model, whatever the program's name\n"
    "  --record FILE        the record file; default\n"
    "                       $XDG_STATE_HOME/scanhost/PROGRAM.rec, or\n"
    "                       ~/.local/state/scanhost/PROGRAM.rec.  A missing file\n"
    "                       is created with the model's default record; a file\n"
    "                       of the wrong size is an error.\n"
    "  --fail-get N         the next fetch (200) answers error N\n"
    "  --fail-set N         the next store (201) answers error N and stores nothing\n"
    "  --fail-set-always N  every store answers error N and stores nothing\n"
    "  --driver-message TEXT  the text sent with any injected error 230; given\n"
    "                       without --fail-get, --fail-set or --fail-set-always\n"
    "                       it means --fail-set 230\n"
    "  --delay MS           wait MS milliseconds before each reply\n"
    "  --trace              one line per exchange on standard error: code, body\n"
    "                       length, error and reply length (- for no reply), the\n"
    "                       body in hex, then the record's fields by name\n"
    "  --show FILE          print the fields of a record file and exit; the model\n"
    "                       comes from --model or from the file's size\n"
    "  --help               print this text\n"
    "\n"
    "Injected faults apply to the next request of their kind whatever its body.\n"
    "Exit status: the program's; 2 for bad usage or an unusable record file;\n"
    "127 when the program cannot be found or started.\n";

struct Options {
    std::optional<records::Model> model;
    std::string record;
    std::string show;
    scanhost::Faults faults;
    bool driverMessageGiven = false;
    bool trace = false;
    std::vector<std::string> program;  // the program and its arguments
};

[[noreturn]] void Fail(int status, const std::string& message) {
    std::fprintf(stderr, "scanhost: %s\n", message.c_str());
    std::exit(status);
}

[[noreturn]] void UsageError(const std::string& message) {
    Fail(kExitUsage, message + " (scanhost --help tells the usage)");
}

long ParseNumber(const std::string& option, const std::string& text, long low, long high) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || v < low || v > high) {
        UsageError(option + " wants a number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not '" + text + "'");
    }
    return v;
}

std::int32_t ParseErrorNumber(const std::string& option, const std::string& text) {
    const long v = ParseNumber(option, text, INT32_MIN, INT32_MAX);
    if (v == 0)
        UsageError(option + " wants a non-zero error number");
    return static_cast<std::int32_t>(v);
}

Options ParseOptions(int argc, char** argv) {
    Options opt;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.compare(0, 2, "--") != 0)
            break;
        std::optional<std::string> inlineValue;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.erase(eq);
        }
        const auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= argc)
                UsageError(arg + " wants a value");
            return argv[++i];
        };
        const auto noValue = [&]() {
            if (inlineValue)
                UsageError(arg + " takes no value");
        };
        if (arg == "--help") {
            noValue();
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--model") {
            const std::string name = value();
            opt.model = records::ParseModel(name);
            if (!opt.model)
                UsageError("unknown model '" + name + "': use fs2, scanjet or sharp");
        } else if (arg == "--record") {
            opt.record = value();
            if (opt.record.empty())
                UsageError("--record wants a file name");
        } else if (arg == "--show") {
            opt.show = value();
            if (opt.show.empty())
                UsageError("--show wants a file name");
        } else if (arg == "--fail-get") {
            opt.faults.failGet = ParseErrorNumber(arg, value());
        } else if (arg == "--fail-set") {
            opt.faults.failSet = ParseErrorNumber(arg, value());
        } else if (arg == "--fail-set-always") {
            opt.faults.failSetAlways = ParseErrorNumber(arg, value());
        } else if (arg == "--driver-message") {
            opt.faults.driverMessage = value();
            opt.driverMessageGiven = true;
        } else if (arg == "--delay") {
            opt.faults.delayMs = static_cast<int>(ParseNumber(arg, value(), 0, 3600000));
        } else if (arg == "--trace") {
            noValue();
            opt.trace = true;
        } else {
            UsageError("unknown option " + arg);
        }
    }
    for (; i < argc; ++i) opt.program.emplace_back(argv[i]);

    if (opt.driverMessageGiven && opt.faults.failGet == 0 && opt.faults.failSet == 0 &&
        opt.faults.failSetAlways == 0) {
        opt.faults.failSet = scanhost::kErrDriverText;
    }
    return opt;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The program's file: as given when the name has a slash, else beside
// scanhost, else on PATH.
std::optional<std::string> FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        if (IsExecutableFile(name))
            return name;
        return std::nullopt;
    }
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = '\0';
        std::string dir(self);
        dir.erase(dir.rfind('/') + 1);
        if (IsExecutableFile(dir + name))
            return dir + name;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return std::nullopt;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    const struct passwd* pw = getpwuid(getuid());
    if (pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/')
        return pw->pw_dir;
    Fail(kExitUsage, "cannot tell the home directory; give --record FILE");
}

// $XDG_STATE_HOME/scanhost/PROGRAM.rec, or ~/.local/state/scanhost/PROGRAM.rec;
// the directories are made when missing.
std::string DefaultRecordPath(const std::string& program) {
    const char* state = std::getenv("XDG_STATE_HOME");
    // XDG base directories ignore a relative value.
    const std::string base =
        (state != nullptr && state[0] == '/') ? state : HomeDirectory() + "/.local/state";
    const std::string dir = base + "/scanhost";
    std::string error;
    if (!scanhost::MakeDirectories(dir, error))
        Fail(kExitUsage, error);
    return dir + "/" + BaseName(program) + ".rec";
}

// The device's record from its file; a missing file is created with the
// model's default record.  A file of the wrong size is never replaced: it
// may be the user's data for another model.
std::vector<unsigned char> LoadDeviceRecord(const std::string& path, records::Model model) {
    std::vector<unsigned char> bytes;
    std::string error;
    switch (scanhost::LoadRecordFile(path, bytes, error)) {
        case scanhost::LoadResult::Ok:
            break;
        case scanhost::LoadResult::Missing:
            bytes = records::DefaultRecord(model);
            if (!scanhost::StoreRecordFile(path, bytes.data(), bytes.size(), error)) {
                Fail(kExitUsage, error);
            }
            return bytes;
        case scanhost::LoadResult::Failed:
            Fail(kExitUsage, error);
    }
    const std::size_t want = records::RecordSize(model);
    if (bytes.size() != want) {
        Fail(kExitUsage, path + " holds " + std::to_string(bytes.size()) + " bytes, but a " +
                             records::ModelName(model) + " record has " + std::to_string(want) +
                             "; not starting (move the file away or choose another with --record)");
    }
    return bytes;
}

int Show(const Options& opt) {
    if (!opt.program.empty())
        UsageError("--show takes no program");
    std::vector<unsigned char> bytes;
    std::string error;
    switch (scanhost::LoadRecordFile(opt.show, bytes, error)) {
        case scanhost::LoadResult::Ok:
            break;
        case scanhost::LoadResult::Missing:
            Fail(kExitUsage, "no record file " + opt.show);
        case scanhost::LoadResult::Failed:
            Fail(kExitUsage, error);
    }
    std::optional<records::Model> model = opt.model;
    if (!model) {
        for (records::Model m :
             {records::Model::FS2, records::Model::ScanJet, records::Model::Sharp}) {
            if (records::RecordSize(m) == bytes.size())
                model = m;
        }
        if (!model) {
            Fail(kExitUsage, opt.show + " holds " + std::to_string(bytes.size()) +
                                 " bytes, the size of no record (fs2 40, scanjet 36, sharp 20)");
        }
    } else if (records::RecordSize(*model) != bytes.size()) {
        Fail(kExitUsage, opt.show + " holds " + std::to_string(bytes.size()) + " bytes, but a " +
                             records::ModelName(*model) + " record has " +
                             std::to_string(records::RecordSize(*model)));
    }
    std::printf("model=%s\n", records::ModelName(*model));
    for (const auto& field : records::DescribeRecord(*model, bytes.data(), bytes.size())) {
        std::printf("%s=%s\n", field.first.c_str(), field.second.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// Marks every descriptor that scanhost inherited (beyond the standard three)
// close-on-exec, so that the program gets only those three and its channel.
void KeepInheritedDescriptorsFromChild() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        for (int fd = 3; fd < 1024; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
        return;
    }
    const int own = dirfd(dir);
    while (const struct dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || end == entry->d_name || fd < 3 || fd == own)
            continue;
        const int flags = fcntl(static_cast<int>(fd), F_GETFD);
        if (flags >= 0)
            fcntl(static_cast<int>(fd), F_SETFD, flags | FD_CLOEXEC);
    }
    closedir(dir);
}

// In the child: puts the channel on descriptor 6 without close-on-exec and
// runs the program; on failure reports errno through report and ends.
[[noreturn]] void RunChild(int channel, int report, const std::string& path,
                           const std::vector<std::string>& args) {
    signal(SIGPIPE, SIG_DFL);  // scanhost ignores it; the program must not inherit that
    int err = 0;
    if (channel == kChannelFd) {
        // dup2 onto itself would keep close-on-exec set.
        if (fcntl(kChannelFd, F_SETFD, 0) != 0)
            err = errno;
    } else if (dup2(channel, kChannelFd) < 0) {
        err = errno;
    }
    if (err == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        err = errno;
    }
    while (write(report, &err, sizeof err) < 0 && errno == EINTR) {
    }
    _exit(kExitNoProgram);
}

int WaitForChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            Fail(kExitUsage, std::string("waitpid: ") + std::strerror(errno));
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 1;
}

int Run(Options& opt) {
    if (opt.program.empty())
        UsageError("no program given");
    const std::string& name = opt.program[0];

    if (!opt.model) {
        opt.model = records::ModelForProgram(name);
        if (!opt.model) {
            UsageError("cannot tell the scanner model from the program name '" + BaseName(name) +
                       "'; give --model fs2, scanjet or sharp");
        }
    }
    const std::optional<std::string> path = FindProgram(name);
    if (!path)
        Fail(kExitNoProgram, name + ": no such program beside scanhost or on PATH");

    scanhost::Device device;
    device.model = *opt.model;
    device.recordPath = opt.record.empty() ? DefaultRecordPath(name) : opt.record;
    device.record = LoadDeviceRecord(device.recordPath, device.model);
    device.faults = opt.faults;
    device.trace = opt.trace ? stderr : nullptr;

    // A program that goes away mid-reply must not take scanhost with it.
    signal(SIGPIPE, SIG_IGN);
    KeepInheritedDescriptorsFromChild();

    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        Fail(kExitUsage, std::string("socketpair: ") + std::strerror(errno));
    }
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        Fail(kExitUsage, std::string("pipe: ") + std::strerror(errno));
    // The child puts its channel on 6; keep the report pipe's writing end
    // off that number so the dup2 cannot close it.
    if (report[1] == kChannelFd) {
        const int moved = fcntl(report[1], F_DUPFD_CLOEXEC, kChannelFd + 1);
        if (moved < 0)
            Fail(kExitUsage, std::string("fcntl: ") + std::strerror(errno));
        close(report[1]);
        report[1] = moved;
    }

    const pid_t pid = fork();
    if (pid < 0)
        Fail(kExitUsage, std::string("fork: ") + std::strerror(errno));
    if (pid == 0)
        RunChild(sv[1], report[1], *path, opt.program);

    close(sv[1]);
    close(report[1]);
    int childErr = 0;
    ssize_t got;
    while ((got = read(report[0], &childErr, sizeof childErr)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof childErr)) {
        close(sv[0]);
        WaitForChild(pid);
        Fail(kExitNoProgram, "cannot run " + *path + ": " + std::strerror(childErr));
    }

    const scanhost::ServeEnd end = scanhost::ServeConnection(sv[0], device);
    if (end != scanhost::ServeEnd::Closed) {
        std::fprintf(stderr, "scanhost: channel closed after a %s\n", scanhost::ServeEndName(end));
    }
    // Closing both directions tells the program at once, even if it keeps
    // the channel open.
    shutdown(sv[0], SHUT_RDWR);
    close(sv[0]);
    return WaitForChild(pid);
}

}  // namespace

int main(int argc, char** argv) {
    Options opt = ParseOptions(argc, argv);
    if (!opt.show.empty())
        return Show(opt);
    return Run(opt);
}
