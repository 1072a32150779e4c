#include "e2e.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "e2e_editres.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 20;

// Where the buttons of a selection or message box are when they cannot be
// seen in its picture: the middle of the row this far from the bottom, the
// outer buttons' middles this far from the sides (the box's margin plus
// half a button, with the toolkit's usual sizes).
constexpr int kButtonRowFromBottom = 30;
constexpr int kButtonCenterFromSide = 45;
// Smallest button a box draws, for finding the buttons in its picture.
constexpr int kMinButtonWidth = 20;
constexpr int kMinButtonHeight = 12;
constexpr int kMinMargin = 3;

struct ProgramEntry {
    const char* name;
    const char* path;
};

// Filled in by the build with the paths of the targets it has.
const ProgramEntry kPrograms[] = {
#ifdef E2E_PATH_scanhost
    {"scanhost", E2E_PATH_scanhost},
#endif
#ifdef E2E_PATH_amberpane
    {"amberpane", E2E_PATH_amberpane},
#endif
#ifdef E2E_PATH_cobaltpane
    {"cobaltpane", E2E_PATH_cobaltpane},
#endif
#ifdef E2E_PATH_indigopane
    {"indigopane", E2E_PATH_indigopane},
#endif
    {nullptr, nullptr},
};

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Clock::time_point Deadline(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int StatusCode(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// Windows vanish while we look at them (a dialog closing): such errors are
// expected and must not end the test process, which Xlib's default handler
// would do.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Forks and execs argv with the given display, standard output and error
// going to outPath, and only descriptors 0 to 2 open, plus keepFd when it
// is not -1.  The child dies with the test process.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& display,
            const std::string& outPath, int keepFd) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;

    // In the child: only async-signal-safe calls from here on.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Every signal as a fresh process has it, whatever this one inherited
    // (a background job of a shell ignores SIGINT and SIGQUIT).
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            signal(sig, SIG_DFL);
    }
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0)
        _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd)
            close(fd);
    }
    if (!display.empty())
        setenv("DISPLAY", display.c_str(), 1);
    execv(args[0], args.data());
    _exit(127);
}

}  // namespace

std::string ProgramPath(const std::string& name) {
    for (const ProgramEntry* p = kPrograms; p->name != nullptr; ++p) {
        if (name == p->name)
            return p->path;
    }
    ADD_FAILURE() << "the build has no program " << name;
    return "";
}

std::vector<Exchange> ParseTrace(const std::string& text) {
    std::vector<Exchange> out;
    std::istringstream lines(text);
    std::string line;
    const std::string prefix = "scanhost: code=";
    while (std::getline(lines, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        Exchange ex;
        ex.line = line;
        std::istringstream words(line.substr(std::strlen("scanhost: ")));
        std::string word;
        while (words >> word) {
            const auto eq = word.find('=');
            if (eq == std::string::npos) {
                if (word == "refused")
                    ex.refused = true;
                continue;
            }
            const std::string key = word.substr(0, eq);
            const std::string value = word.substr(eq + 1);
            if (key == "code") {
                ex.code = std::atoi(value.c_str());
            } else if (key == "len") {
                ex.length = std::atoi(value.c_str());
            } else if (key == "error") {
                ex.replied = value != "-";
                ex.error = ex.replied ? std::atoi(value.c_str()) : 0;
            } else if (key == "reply") {
                // The reply's length; the body below carries its bytes.
            } else if (key == "body") {
                for (size_t i = 0; i + 1 < value.size(); i += 2) {
                    ex.body.push_back(
                        static_cast<unsigned char>(std::stoi(value.substr(i, 2), nullptr, 16)));
                }
            } else {
                ex.fields[key] = value;
            }
        }
        out.push_back(ex);
    }
    return out;
}

std::vector<int> Codes(const std::vector<Exchange>& trace) {
    std::vector<int> codes;
    for (const auto& ex : trace) codes.push_back(ex.code);
    return codes;
}

Launch ProgramLaunch(const std::string& name, std::vector<std::string> scanhostArgs,
                     std::vector<unsigned char> record) {
    Launch launch;
    launch.program = ProgramPath(name);
    launch.scanhostArgs = std::move(scanhostArgs);
    launch.record = std::move(record);
    return launch;
}

int FindInTree(const WidgetTree& tree, const std::string& path) {
    std::vector<std::string> names;
    std::string::size_type start = 0;
    for (;;) {
        const auto dot = path.find('.', start);
        names.push_back(path.substr(start, dot - start));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    // True when ancestor is a (strict) ancestor of node.
    auto under = [&tree](int node, int ancestor) {
        for (int p = tree[node].parent; p >= 0; p = tree[p].parent) {
            if (p == ancestor)
                return true;
        }
        return false;
    };
    int scope = -1;
    for (const auto& name : names) {
        int found = -1;
        for (int i = 0; i < static_cast<int>(tree.size()); ++i) {
            if (tree[i].name == name && (scope < 0 || under(i, scope))) {
                found = i;
                break;
            }
        }
        if (found < 0)
            return -1;
        scope = found;
    }
    return scope;
}

Session::Session() {
    // Orphans of our descendants come to us, so a program whose scanhost
    // was killed can still be waited for.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/e2e-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
        return;
    }
    tempDir_ = templ;
    StartServer();
}

Session::~Session() {
    const bool failed = ::testing::Test::HasFailure();
    if (failed && display_ != nullptr)
        Screenshot(tempDir_ + "/screen.png");  // what the screen showed at the end
    StopAll();
    if (failed && !tempDir_.empty()) {
        std::fprintf(stderr, "e2e: kept %s\n", tempDir_.c_str());
        if (!stderrPath_.empty()) {
            std::fprintf(stderr, "e2e: program output:\n%s\n", ReadFile(stderrPath_).c_str());
        }
    } else if (!tempDir_.empty()) {
        const std::string cmd = "rm -rf '" + tempDir_ + "'";
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "e2e: cannot remove %s\n", tempDir_.c_str());
    }
}

void Session::StartServer() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return;
    }
    // The child gets the pipe's write end on descriptor 3 without
    // close-on-exec; Xvfb writes its display number there once it is ready.
    const int writeEnd = fcntl(fds[1], F_DUPFD, 3);
    close(fds[1]);
    const std::string fdText = std::to_string(writeEnd);
    xvfbPid_ = Spawn(
        {"/usr/bin/Xvfb", "-displayfd", fdText, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        "", tempDir_ + "/xvfb.log", writeEnd);
    close(writeEnd);

    std::string number;
    const auto deadline = Deadline(20000);
    while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (poll(&pfd, 1, kPollMs * 10) > 0) {
            char buf[32];
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            number.append(buf, static_cast<size_t>(n));
        }
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        ADD_FAILURE() << "Xvfb did not start: " << ReadFile(tempDir_ + "/xvfb.log");
        return;
    }
    displayName_ = ":" + number.substr(0, number.find('\n'));
    display_ = XOpenDisplay(displayName_.c_str());
    if (display_ == nullptr) {
        ADD_FAILURE() << "cannot open display " << displayName_;
        return;
    }
    XSetErrorHandler(IgnoreXError);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
        ADD_FAILURE() << "the X server has no XTest extension";
    }
}

bool Session::Start(const Launch& launch) {
    if (display_ == nullptr)
        return false;
    if (launch.program.empty()) {
        ADD_FAILURE() << "no program to start";
        return false;
    }
    stderrPath_ = tempDir_ + "/program.err";
    std::vector<std::string> argv;
    if (launch.underScanhost) {
        recordPath_ = tempDir_ + "/record";
        if (!launch.record.empty()) {
            std::ofstream out(recordPath_, std::ios::binary);
            out.write(reinterpret_cast<const char*>(launch.record.data()),
                      static_cast<std::streamsize>(launch.record.size()));
        }
        argv = {ProgramPath("scanhost"), "--trace", "--record", recordPath_};
        argv.insert(argv.end(), launch.scanhostArgs.begin(), launch.scanhostArgs.end());
    }
    argv.push_back(launch.program);
    argv.insert(argv.end(), launch.programArgs.begin(), launch.programArgs.end());
    const pid_t pid = Spawn(argv, displayName_, stderrPath_, -1);
    if (pid < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        return false;
    }
    waitPid_ = pid;
    if (launch.underScanhost) {
        scanhostPid_ = pid;
    } else {
        programPid_ = pid;
    }
    return true;
}

pid_t Session::ProgramPid() {
    if (programPid_ > 0 || scanhostPid_ <= 0)
        return programPid_;
    const std::string children = "/proc/" + std::to_string(scanhostPid_) + "/task/" +
                                 std::to_string(scanhostPid_) + "/children";
    const auto deadline = Deadline(10000);
    while (Clock::now() < deadline) {
        const int pid = std::atoi(ReadFile(children).c_str());
        if (pid > 0) {
            programPid_ = pid;
            return programPid_;
        }
        Pause(kPollMs);
    }
    ADD_FAILURE() << "scanhost has not started the program";
    return -1;
}

void Session::Signal(int signum) {
    const pid_t pid = ProgramPid();
    if (pid > 0 && kill(pid, signum) != 0) {
        ADD_FAILURE() << "kill " << pid << ": " << std::strerror(errno);
    }
}

void Session::KillParent() {
    const pid_t program = ProgramPid();
    if (scanhostPid_ <= 0 || program <= 0) {
        ADD_FAILURE() << "no scanhost to kill";
        return;
    }
    kill(scanhostPid_, SIGKILL);
    int status = 0;
    while (waitpid(scanhostPid_, &status, 0) < 0 && errno == EINTR) {
    }
    // scanhost's children were handed to us (the subreaper) before it could
    // be reaped: the program is ours to wait for now.
    scanhostPid_ = -1;
    waitPid_ = program;
}

bool Session::Reap(pid_t pid, int* status, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        const pid_t r = waitpid(pid, status, WNOHANG);
        if (r == pid)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
        if (Clock::now() >= deadline)
            return false;
        Pause(kPollMs / 4);
    }
}

int Session::WaitExit(int timeoutMs) {
    if (ended_)
        return status_;
    if (waitPid_ <= 0) {
        ADD_FAILURE() << "nothing was started";
        return -1;
    }
    int status = 0;
    if (!Reap(waitPid_, &status, timeoutMs)) {
        ADD_FAILURE() << "the program did not end within " << timeoutMs << " ms";
        StopAll();
        return -1;
    }
    ended_ = true;
    status_ = StatusCode(status);
    return status_;
}

bool Session::Running() {
    if (ended_ || waitPid_ <= 0)
        return false;
    int status = 0;
    if (waitpid(waitPid_, &status, WNOHANG) == waitPid_) {
        ended_ = true;
        status_ = StatusCode(status);
        return false;
    }
    return true;
}

void Session::StopAll() {
    if (waitPid_ > 0 && !ended_) {
        // The program first (scanhost would only wait for it), then its parent.
        if (scanhostPid_ > 0)
            ProgramPid();
        if (programPid_ > 0)
            kill(programPid_, SIGKILL);
        if (scanhostPid_ > 0)
            kill(scanhostPid_, SIGKILL);
        int status = 0;
        Reap(waitPid_, &status, 5000);
        ended_ = true;
        status_ = -1;
    }
    // Whatever else was handed to us as a subreaper.
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    if (display_ != nullptr) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    if (xvfbPid_ > 0) {
        kill(xvfbPid_, SIGTERM);
        int status = 0;
        if (!Reap(xvfbPid_, &status, 5000)) {
            kill(xvfbPid_, SIGKILL);
            Reap(xvfbPid_, &status, 5000);
        }
        xvfbPid_ = -1;
    }
}

std::string Session::Stderr() const {
    return stderrPath_.empty() ? "" : ReadFile(stderrPath_);
}

std::vector<Exchange> Session::Trace() const {
    return ParseTrace(Stderr());
}

std::vector<Exchange> Session::WaitForExchanges(size_t count, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        auto trace = Trace();
        if (trace.size() >= count)
            return trace;
        if (Clock::now() >= deadline) {
            ADD_FAILURE() << "scanhost saw " << trace.size() << " exchanges, waited for " << count;
            return trace;
        }
        Pause(kPollMs);
    }
}

std::vector<unsigned char> Session::Record() const {
    const std::string bytes = recordPath_.empty() ? "" : ReadFile(recordPath_);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

void Session::Sync() {
    if (display_ != nullptr)
        XSync(display_, False);
}

std::vector<Window> Session::WindowsTitled(const std::string& title) {
    std::vector<Window> found;
    if (display_ == nullptr)
        return found;
    // No window manager on our server: top-level windows are the root's
    // own children, unframed.
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(display_, children[i], &attrs) || attrs.map_state != IsViewable)
            continue;
        char* name = nullptr;
        if (XFetchName(display_, children[i], &name) && name != nullptr) {
            if (title == name)
                found.push_back(children[i]);
            XFree(name);
        }
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

Window Session::FindWindow(const std::string& title) {
    const std::vector<Window> found = WindowsTitled(title);
    return found.empty() ? 0 : found.front();
}

int Session::CountWindows(const std::string& title) {
    return static_cast<int>(WindowsTitled(title).size());
}

Window Session::WaitForWindow(const std::string& title, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        if (Window w = FindWindow(title)) {
            return w;
        }
        if (Clock::now() >= deadline || display_ == nullptr)
            break;
        Pause(kPollMs);
    }
    ADD_FAILURE() << "no window titled \"" << title << "\" within " << timeoutMs << " ms";
    return 0;
}

bool Session::WaitForWindowGone(const std::string& title, int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    while (FindWindow(title) != 0) {
        if (Clock::now() >= deadline)
            return false;
        Pause(kPollMs);
    }
    return true;
}

Rect Session::Geometry(Window w) {
    Rect r;
    XWindowAttributes attrs;
    if (display_ == nullptr || !XGetWindowAttributes(display_, w, &attrs))
        return r;
    Window child = 0;
    XTranslateCoordinates(display_, w, DefaultRootWindow(display_), 0, 0, &r.x, &r.y, &child);
    r.width = attrs.width;
    r.height = attrs.height;
    return r;
}

Window Session::TopLevelOf(Window w) {
    if (display_ == nullptr)
        return w;
    for (;;) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, w, &root, &parent, &children, &count))
            return w;
        if (children != nullptr)
            XFree(children);
        if (parent == root || parent == 0)
            return w;
        w = parent;
    }
}

void Session::Raise(Window w) {
    // No window manager: the windows of a program all start at the top-left
    // corner and overlap, so bring the one we act on to the front, as a
    // user's click on it would.
    if (display_ == nullptr)
        return;
    XRaiseWindow(display_, w);
    Sync();
}

void Session::ClickAt(int rootX, int rootY, unsigned button) {
    if (display_ == nullptr)
        return;
    XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    Sync();
}

void Session::Drag(int fromX, int fromY, int toX, int toY, unsigned button) {
    if (display_ == nullptr)
        return;
    const int screen = DefaultScreen(display_);
    XTestFakeMotionEvent(display_, screen, fromX, fromY, CurrentTime);
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    // In steps, as a hand moves, so the toolkit sees the motion between.
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        XTestFakeMotionEvent(display_, screen, fromX + (toX - fromX) * i / kSteps,
                             fromY + (toY - fromY) * i / kSteps, CurrentTime);
    }
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    Sync();
}

void Session::ClickIn(Window w, int x, int y, unsigned button) {
    const Rect r = Geometry(w);
    ClickAt(r.x + x, r.y + y, button);
}

void Session::Key(Window w, const std::string& keysym) {
    if (display_ == nullptr)
        return;
    const KeySym sym = XStringToKeysym(keysym.c_str());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
    if (code == 0) {
        ADD_FAILURE() << "no key for " << keysym;
        return;
    }
    if (w != 0) {
        const Rect r = Geometry(w);
        XTestFakeMotionEvent(display_, DefaultScreen(display_), r.x + 1, r.y + 1, CurrentTime);
        XSetInputFocus(display_, w, RevertToPointerRoot, CurrentTime);
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    Sync();
}

WidgetTree Session::Widgets(Window shell) {
    WidgetTree tree;
    std::string error;
    if (display_ == nullptr || !QueryWidgetTree(display_, shell, 10000, &tree, &error)) {
        ADD_FAILURE() << "widget tree: " << error;
        tree.clear();
    }
    return tree;
}

Window Session::WidgetWindow(Window shell, const std::string& path) {
    const WidgetTree tree = Widgets(shell);
    const int i = FindInTree(tree, path);
    if (i < 0) {
        ADD_FAILURE() << "no widget " << path;
        return 0;
    }
    // Editres' markers: 0 unrealised, 2 an object (gadget) without a window.
    if (tree[i].window == 0 || tree[i].window == 2) {
        ADD_FAILURE() << "widget " << path << " has no window";
        return 0;
    }
    return static_cast<Window>(tree[i].window);
}

std::optional<Rect> Session::WidgetGeometry(Window shell, const std::string& path) {
    const Window w = WidgetWindow(shell, path);
    if (w == 0)
        return std::nullopt;
    return Geometry(w);
}

bool Session::ClickWidget(Window shell, const std::string& path) {
    const Window w = WidgetWindow(shell, path);
    if (w == 0)
        return false;
    Raise(TopLevelOf(w));
    const Rect r = Geometry(w);
    ClickAt(r.CenterX(), r.CenterY());
    return true;
}

std::optional<Point> Session::BoxButtonAt(Window shell, const std::string& boxPath,
                                          const std::string& label,
                                          const std::vector<std::string>& buttons) {
    int index = -1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == label)
            index = static_cast<int>(i);
    }
    if (index < 0) {
        ADD_FAILURE() << "no button " << label << " in the list";
        return std::nullopt;
    }
    const Window boxWindow = WidgetWindow(shell, boxPath);
    if (boxWindow == 0)
        return std::nullopt;
    Raise(TopLevelOf(boxWindow));
    const Rect box = Geometry(boxWindow);
    // Raising exposes the box; the program redraws it shortly.
    std::vector<Span> spans;
    const auto deadline = Deadline(2000);
    while (spans.empty() && Clock::now() < deadline) {
        spans = ButtonRow(boxWindow, static_cast<int>(buttons.size()));
        if (spans.empty())
            Pause(kPollMs);
    }
    if (!spans.empty())
        return Point{box.x + (spans[index].left + spans[index].right) / 2,
                     box.y + spans[index].middle};
    // Not drawn where we can see it: equal buttons spread along the bottom,
    // the outer ones inside the box's margin.
    const int n = static_cast<int>(buttons.size());
    const int edge = kButtonCenterFromSide;
    return Point{box.x + (n == 1 ? box.width / 2 : edge + index * (box.width - 2 * edge) / (n - 1)),
                 box.y + box.height - kButtonRowFromBottom};
}

bool Session::ClickBoxButton(Window shell, const std::string& boxPath, const std::string& label,
                             const std::vector<std::string>& buttons) {
    const auto at = BoxButtonAt(shell, boxPath, label, buttons);
    if (!at)
        return false;
    ClickAt(at->x, at->y);
    return true;
}

std::vector<Session::Span> Session::ButtonRow(Window box, int count) {
    std::vector<Span> found;
    const Rect r = Geometry(box);
    if (display_ == nullptr || r.width <= 0 || r.height <= 0)
        return found;
    XImage* image = XGetImage(display_, box, 0, 0, r.width, r.height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return found;
    // The box's background is its most common colour near the bottom.
    std::map<unsigned long, int> histogram;
    for (int y = std::max(0, r.height - 60); y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) ++histogram[XGetPixel(image, x, y)];
    }
    unsigned long background = 0;
    int most = -1;
    for (const auto& [pixel, n] : histogram) {
        if (n > most) {
            most = n;
            background = pixel;
        }
    }
    // The horizontal edges of the buttons' shadows: the rows that hold
    // exactly count long unbroken runs of non-background pixels.  Text
    // makes no such runs.
    auto runsAt = [&](int y) {
        std::vector<std::pair<int, int>> runs;
        int start = -1;
        for (int x = 0; x <= r.width; ++x) {
            const bool ink = x < r.width && XGetPixel(image, x, y) != background;
            if (ink && start < 0)
                start = x;
            if (!ink && start >= 0) {
                // The box's own shadow and its separator reach its sides;
                // buttons keep inside its margin.
                const bool inside = start >= kMinMargin && x <= r.width - kMinMargin;
                if (x - start >= kMinButtonWidth && inside)
                    runs.emplace_back(start, x - 1);
                start = -1;
            }
        }
        return runs;
    };
    int bottom = -1;
    std::vector<std::pair<int, int>> edges;
    for (int y = r.height - 1; y >= 0 && y >= r.height - 120; --y) {
        auto runs = runsAt(y);
        if (static_cast<int>(runs.size()) != count)
            continue;
        if (bottom < 0) {
            bottom = y;
            edges = runs;
        } else if (bottom - y >= kMinButtonHeight) {
            for (const auto& e : edges) found.push_back({e.first, e.second, (bottom + y) / 2});
            break;
        }
    }
    XDestroyImage(image);
    return found;
}

bool Session::Screenshot(const std::string& pngPath, Window w) {
    if (displayName_.empty())
        return false;
    const std::string what = w == 0 ? std::string("-root") : "-id " + std::to_string(w);
    const std::string cmd = "xwd -silent -display " + displayName_ + " " + what +
                            " | convert xwd:- 'png:" + pngPath + "'";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace e2e
