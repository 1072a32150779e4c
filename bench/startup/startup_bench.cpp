// Start-up time and peak memory of each options program beside the floor
// (startup_floor: one selection box with the programs' fonts, nothing else).
//
// Every program runs under scanhost, as the scanning application starts it,
// on a private Xvfb that this driver starts.  A run is timed from just
// before scanhost is spawned until the X server reports the map of the
// top-level window with the program's title; the driver learns of it from
// MapNotify on the root window (SubstructureNotify).  Shortly after the map
// the program's peak resident size (VmHWM) is read from /proc, and the
// program is killed; the next run starts once the server has destroyed the
// window, so no run pays for the cleaning up after the one before.
//
// Beside the wall time the driver notes the CPU time the program and the X
// server spent until the map (from /proc/PID/schedstat): on a busy machine
// they vary far less than the wall time, and the server's share shows what
// the program's requests (font loading above all) cost.
//
// cobaltpane and indigopane set the locale from the environment and install
// the toolkit's language procedure before they initialise the toolkit;
// amberpane does neither.  In a UTF-8 locale that alone costs the toolkit a
// compose table, so each program is also compared with a floor that does as
// it does ("like"), and its goals are checked against that floor; the
// "x floor" column compares every program with the plain floor.
//
// The programs take turns, each round in a shifted order, after one round
// that is not counted (it fills the page cache and leaves Motif's drag
// window on the server, as any earlier Motif client on a real display would
// have).  Prints the median of the runs and the ratios.
//
//   build/bin/startup_bench [runs]          (default 9 runs)
//
// No display is needed.  Programs that have not been built are skipped.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Subject {
    const char* name;     // as printed
    const char* program;  // its executable, beside this driver
    const char* option;   // an argument for the program, or null
    const char* model;    // scanhost's model for it
    const char* title;    // the WM_NAME of its dialog
    int like;             // index of the floor it is compared with; -1 for a floor
    double goal;          // largest start-up ratio to that floor
    std::vector<double> ms;
    std::vector<double> cpuMs;
    std::vector<double> serverMs;
    std::vector<long> hwmKiB;
};

constexpr double kMemoryGoalMiB = 2.0;

// Time the program is left running after its map before its peak size is
// read: it draws its window in this time.
constexpr auto kSettle = std::chrono::milliseconds(300);
constexpr auto kMapTimeout = std::chrono::seconds(20);

[[noreturn]] void Die(const std::string& message) {
    std::fprintf(stderr, "startup_bench: %s\n", message.c_str());
    std::exit(1);
}

std::string BinDir() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        Die("cannot find my own executable");
    path[n] = '\0';
    std::string dir(path);
    return dir.substr(0, dir.rfind('/'));
}

bool IsExecutable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

// A private Xvfb; its display name is learned through -displayfd.
struct Server {
    pid_t pid = -1;
    std::string display;

    void Start() {
        int fds[2];
        if (pipe(fds) != 0)
            Die("pipe failed");
        pid = fork();
        if (pid < 0)
            Die("fork failed");
        if (pid == 0) {
            close(fds[0]);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                   "1280x1024x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd pfd{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&pfd, 1, 10000) > 0) {
            char buf[32];
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            number.append(buf, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        if (number.empty() || number.find('\n') == std::string::npos)
            Die("Xvfb did not start (is it installed?)");
        display = ":" + number.substr(0, number.find('\n'));
    }

    ~Server() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// The pid of a child of parent, or nothing.
std::optional<pid_t> ChildOf(pid_t parent) {
    const std::string self = std::to_string(parent);
    std::ifstream children("/proc/" + self + "/task/" + self + "/children");
    long first = 0;
    if (children >> first && first > 0)
        return static_cast<pid_t>(first);

    // Without that file: look through every process.
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return std::nullopt;
    std::optional<pid_t> child;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: comm may hold blanks, so parse after ')'.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 &&
            ppid == parent) {
            child = pid;
            break;
        }
    }
    closedir(proc);
    return child;
}

// Milliseconds pid has run on a CPU so far.
double CpuMs(pid_t pid) {
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    schedstat >> ns;
    return ns / 1e6;
}

long PeakResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmHWM:") == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

bool HasTitle(Display* display, Window window, const char* title) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr)
        return false;
    const bool same = std::strcmp(name, title) == 0;
    XFree(name);
    return same;
}

struct Mapped {
    Clock::time_point when;
    Window window;
};

// Waits for the map of a top-level window titled title; when it was seen,
// or nothing when host ended or the wait timed out.
std::optional<Mapped> AwaitMap(Display* display, const char* title, pid_t host) {
    const auto deadline = Clock::now() + kMapTimeout;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                const auto seen = Clock::now();
                if (HasTitle(display, event.xmap.window, title))
                    return Mapped{seen, event.xmap.window};
            }
        }
        if (waitpid(host, nullptr, WNOHANG) == host)
            return std::nullopt;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd pfd{ConnectionNumber(display), POLLIN, 0};
        poll(&pfd, 1, static_cast<int>(std::min<long>(left.count(), 50)));
    }
}

// Waits until the server has destroyed window (it does when its client has
// gone), then a little longer for the server to fall idle.
void AwaitDestroy(Display* display, Window window) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    bool destroyed = false;
    while (!destroyed && Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == DestroyNotify && event.xdestroywindow.window == window)
                destroyed = true;
        }
        if (!destroyed) {
            pollfd pfd{ConnectionNumber(display), POLLIN, 0};
            poll(&pfd, 1, 50);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Ends host and the program below it, and reaps host.
void EndRun(pid_t host, std::optional<pid_t> program) {
    if (program)
        kill(*program, SIGKILL);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(host, nullptr, WNOHANG) != 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(host, SIGKILL);
    waitpid(host, nullptr, 0);
}

struct Run {
    double ms = 0;
    double cpuMs = -1;
    double serverMs = 0;
    long hwmKiB = -1;
};

std::optional<Run> RunOnce(Display* display, pid_t server, const std::string& bin,
                           const std::string& work, const Subject& subject) {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
    }
    const std::string scanhost = bin + "/scanhost";
    const std::string record = work + "/" + subject.name + ".rec";
    const std::string program = bin + "/" + subject.program;
    const std::string log = work + "/" + subject.name + ".log";
    std::vector<std::string> args = {scanhost,  "--record",    record,
                                     "--model", subject.model, program};
    if (subject.option != nullptr)
        args.push_back(subject.option);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);

    const double serverBefore = CpuMs(server);
    const auto start = Clock::now();
    pid_t host = -1;
    const int rc = posix_spawn(&host, scanhost.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        Die("cannot start " + scanhost + ": " + std::strerror(rc));

    const auto mapped = AwaitMap(display, subject.title, host);
    if (!mapped) {
        EndRun(host, ChildOf(host));
        return std::nullopt;
    }
    Run run;
    run.ms = std::chrono::duration<double, std::milli>(mapped->when - start).count();
    run.serverMs = CpuMs(server) - serverBefore;
    const std::optional<pid_t> child = ChildOf(host);
    if (child)
        run.cpuMs = CpuMs(*child);
    std::this_thread::sleep_for(kSettle);
    if (child)
        run.hwmKiB = PeakResidentKiB(*child);
    EndRun(host, child);
    AwaitDestroy(display, mapped->window);
    return run;
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The distinct lines a program wrote, each once.
void PrintLog(const std::string& work, const Subject& subject) {
    std::ifstream log(work + "/" + subject.name + ".log");
    std::vector<std::string> seen;
    std::string line;
    while (std::getline(log, line)) {
        if (std::find(seen.begin(), seen.end(), line) != seen.end())
            continue;
        seen.push_back(line);
        std::printf("%s said: %s\n", subject.name, line.c_str());
    }
}

// Removes a folder of plain files.
void RemoveFolder(const std::string& path) {
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlink((path + "/" + entry->d_name).c_str());
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 9;
    if (runs < 1)
        Die("usage: startup_bench [runs]");
    std::signal(SIGPIPE, SIG_IGN);

    const std::string bin = BinDir();
    if (!IsExecutable(bin + "/scanhost") || !IsExecutable(bin + "/startup_floor"))
        Die("scanhost and startup_floor must be built beside me in " + bin);

    std::vector<Subject> subjects = {
        {"floor", "startup_floor", nullptr, "fs2", "Motif Floor", -1, 0, {}, {}, {}, {}},
        {"floor+locale", "startup_floor", "-locale", "fs2", "Motif Floor", -1, 0, {}, {}, {}, {}},
        {"cobaltpane",
         "cobaltpane",
         nullptr,
         "scanjet",
         "ScanJet Options",
         1,
         1.15,
         {},
         {},
         {},
         {}},
        {"indigopane",
         "indigopane",
         nullptr,
         "sharp",
         "Sharp Scanner Options",
         1,
         1.15,
         {},
         {},
         {},
         {}},
        {"amberpane", "amberpane", nullptr, "fs2", "Ricoh FS2 Options", 0, 1.35, {}, {}, {}, {}},
    };
    std::vector<Subject*> present;
    for (Subject& s : subjects) {
        if (IsExecutable(bin + "/" + s.program))
            present.push_back(&s);
        else
            std::printf("%s: not built, skipped\n", s.program);
    }

    char workTemplate[] = "/tmp/startup_bench.XXXXXX";
    if (mkdtemp(workTemplate) == nullptr)
        Die("cannot make a temporary folder");
    const std::string work = workTemplate;

    Server server;
    server.Start();
    setenv("DISPLAY", server.display.c_str(), 1);
    Display* display = XOpenDisplay(server.display.c_str());
    if (display == nullptr)
        Die("cannot open the display " + server.display);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    // Round 0 warms up and is not counted.
    const std::size_t n = present.size();
    for (int round = 0; round <= runs; ++round) {
        for (std::size_t k = 0; k < n; ++k) {
            Subject* s = present[(k + static_cast<std::size_t>(round)) % n];
            const std::optional<Run> run = RunOnce(display, server.pid, bin, work, *s);
            if (!run) {
                PrintLog(work, *s);
                Die(std::string(s->name) + " showed no window titled \"" + s->title + "\"");
            }
            if (round == 0)
                continue;
            s->ms.push_back(run->ms);
            s->serverMs.push_back(run->serverMs);
            if (run->cpuMs >= 0)
                s->cpuMs.push_back(run->cpuMs);
            if (run->hwmKiB >= 0)
                s->hwmKiB.push_back(run->hwmKiB);
        }
    }
    // Anything the toolkit complained about (fonts it could not load, say).
    for (Subject* s : present) PrintLog(work, *s);

    const auto medianOr0 = [](const auto& values) {
        return values.empty() ? 0.0 : static_cast<double>(Median(values));
    };
    const Subject& floor = subjects[0];
    std::printf(
        "\nStart-up: exec of scanhost until the dialog's map, median of %d runs, LANG=%s\n"
        "(Xvfb %s 1280x1024x24; cpu: the program's CPU time, X: the server's; x like: the ratio\n"
        "to the floor that sets the locale as the program does, which the goal is checked on)\n",
        runs, getenv("LANG") != nullptr ? getenv("LANG") : "", server.display.c_str());
    std::printf("%-13s %6s %6s %7s %-13s %6s %5s %-4s %6s %6s %5s %6s\n", "program", "ms", "min",
                "x floor", "like", "x like", "goal", "", "cpu ms", "x like", "X ms", "x like");
    for (const Subject* s : present) {
        const double ms = Median(s->ms);
        const double cpu = medianOr0(s->cpuMs);
        const double xms = Median(s->serverMs);
        std::printf("%-13s %6.1f %6.1f %7.2f ", s->name, ms,
                    *std::min_element(s->ms.begin(), s->ms.end()), ms / Median(floor.ms));
        if (s->like < 0) {
            std::printf("%-13s %6s %5s %-4s %6.1f %6s %5.1f\n", "", "", "", "", cpu, "", xms);
            continue;
        }
        const Subject& like = subjects[static_cast<std::size_t>(s->like)];
        const double ratio = ms / Median(like.ms);
        std::printf("%-13s %6.2f %5.2f %-4s %6.1f %6.2f %5.1f %6.2f\n", like.name, ratio, s->goal,
                    ratio <= s->goal ? "ok" : "OVER", cpu, cpu / medianOr0(like.cpuMs), xms,
                    xms / Median(like.serverMs));
    }

    std::printf("\nMemory: peak resident size (VmHWM) %lld ms after the map, median of %d runs\n",
                static_cast<long long>(kSettle.count()), runs);
    std::printf("%-13s %7s %7s %-13s %7s %5s\n", "program", "MiB", "+floor", "like", "+like",
                "goal");
    const double floorMiB = medianOr0(floor.hwmKiB) / 1024.0;
    for (const Subject* s : present) {
        const double mib = medianOr0(s->hwmKiB) / 1024.0;
        std::printf("%-13s %7.2f %+7.2f ", s->name, mib, mib - floorMiB);
        if (s->like < 0) {
            std::printf("\n");
            continue;
        }
        const Subject& like = subjects[static_cast<std::size_t>(s->like)];
        const double extra = mib - medianOr0(like.hwmKiB) / 1024.0;
        std::printf("%-13s %+7.2f %5.1f %s\n", like.name, extra, kMemoryGoalMiB,
                    extra <= kMemoryGoalMiB ? "ok" : "OVER");
    }

    XCloseDisplay(display);
    RemoveFolder(work);
    return 0;
}
