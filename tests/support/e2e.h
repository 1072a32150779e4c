// End-to-end test harness: a real options program under scanhost on a
// private X server, driven with real input events.
//
// Each Session starts its own Xvfb (so parallel tests never share a pointer
// or a keyboard focus), makes the test process a child subreaper (so a
// program orphaned by killing scanhost is adopted by the test and can be
// waited for), and runs one program, normally as
//     scanhost --trace --record <temp file> [scanhost options] PROGRAM [toolkit options]
// with scanhost's standard error captured to a file.  Windows are found by
// title, widgets of the running program by name through the Editres
// protocol, and every click and key goes through the server (XTest), so the
// toolkit's own translations run.
//
// No call here asserts anything about time: waits have generous limits and
// report a failure (and return a "not found" value) when the limit passes.
#ifndef SCAN_TESTS_E2E_H
#define SCAN_TESTS_E2E_H

// gtest first: X headers define None, Bool and Status as macros.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Paths of the built programs: "scanhost", "amberpane", "cobaltpane",
// "indigopane".  Fails the test (and returns "") for a program the build
// does not have.
std::string ProgramPath(const std::string& name);

// One exchange in scanhost's trace.
struct Exchange {
    int code = 0;                               // request code
    int length = 0;                             // request body length
    bool replied = false;                       // false for code 1 and refused requests
    int error = 0;                              // reply's error number (when replied)
    bool refused = false;                       // request refused unread, channel closed
    std::vector<unsigned char> body;            // request body, or the reply body when none
    std::map<std::string, std::string> fields;  // the device record's fields by name
    std::string line;                           // the trace line as written
};

// Parses scanhost's standard error: one Exchange per trace line, other
// lines skipped.
std::vector<Exchange> ParseTrace(const std::string& text);

// The request codes of a trace, in order.
std::vector<int> Codes(const std::vector<Exchange>& trace);

// A rectangle in root coordinates.
struct Rect {
    int x = 0, y = 0;
    int width = 0, height = 0;
    int CenterX() const { return x + width / 2; }
    int CenterY() const { return y + height / 2; }
};

// A point in root coordinates.
struct Point {
    int x = 0, y = 0;
};

// One widget of a running program, as its Editres widget-tree reply gives
// it.  window is 0 for an unrealised widget, 2 for a gadget or other object
// without a window (Editres' markers), otherwise the X window id.
struct WidgetNode {
    std::string name;
    std::string widgetClass;
    unsigned long window = 0;
    int depth = 0;    // 0 for the application shell
    int parent = -1;  // index into the tree, -1 for the root
};
using WidgetTree = std::vector<WidgetNode>;

// The index of the widget at path in tree, or -1.  path is a list of names
// separated by '.', each looked for among the descendants of the previous
// one ("selBox", "errorBox.OK").
int FindInTree(const WidgetTree& tree, const std::string& path);

// What to run.
struct Launch {
    std::string program;                    // path of the options program
    std::vector<std::string> scanhostArgs;  // e.g. {"--fail-set", "216"}
    std::vector<std::string> programArgs;   // toolkit options, e.g. {"-xrm", "..."}
    bool underScanhost = true;              // false: the program alone, no descriptor 6
    std::vector<unsigned char> record;      // initial record file; empty: scanhost's default
};

// The built program called name (ProgramPath) under scanhost with those
// scanhost options, starting from record.
Launch ProgramLaunch(const std::string& name, std::vector<std::string> scanhostArgs = {},
                     std::vector<unsigned char> record = {});

// A private X server and one program on it.  Not copyable; the destructor
// ends whatever is still running (program, scanhost, Xvfb) and removes the
// temporary folder; when the test has failed it keeps the folder, with a
// picture of the screen (screen.png), and prints its path and the output.
class Session {
  public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- the X server ---
    Display* display() const { return display_; }
    const std::string& displayName() const { return displayName_; }  // ":N"
    const std::string& tempDir() const { return tempDir_; }

    // --- the program ---
    // Starts the program; returns false (with a test failure) when it cannot.
    bool Start(const Launch& launch);
    pid_t scanhostPid() const { return scanhostPid_; }
    // The program's pid: scanhost's child (waited for) or the direct child.
    pid_t ProgramPid();
    // Delivers a signal to the program.
    void Signal(int signum);
    // Kills scanhost with SIGKILL and reaps it: the program is orphaned and
    // adopted by this process, which then waits for it instead.
    void KillParent();
    // Waits for the process this session waits for (scanhost, or the
    // program when run alone or orphaned) and returns its exit status: the
    // code, or 128 + the signal number.  -1 (with a test failure) when it
    // has not ended within timeoutMs; it is then killed.
    int WaitExit(int timeoutMs = 20000);
    // True while that process has not ended.
    bool Running();

    // --- what scanhost saw ---
    std::string Stderr() const;           // scanhost's and the program's standard error
    std::vector<Exchange> Trace() const;  // parsed from it
    // Waits until the trace holds at least count exchanges; returns them.
    std::vector<Exchange> WaitForExchanges(size_t count, int timeoutMs = 10000);
    std::vector<unsigned char> Record() const;  // the record file's bytes
    const std::string& recordPath() const { return recordPath_; }

    // --- windows ---
    // The viewable top-level window titled exactly title; 0 (with a test
    // failure) when none appears within timeoutMs.
    Window WaitForWindow(const std::string& title, int timeoutMs = 20000);
    // The viewable window titled title now, or 0.
    Window FindWindow(const std::string& title);
    // How many viewable windows are titled title now.
    int CountWindows(const std::string& title);
    // Waits until no viewable window has that title; false on time-out.
    bool WaitForWindowGone(const std::string& title, int timeoutMs = 10000);
    // Position and size of a window in root coordinates.
    Rect Geometry(Window w);

    // --- input, through the server ---
    // Brings a top-level window to the front (there is no window manager).
    void Raise(Window w);
    // The top-level window (a child of the root) that holds w.
    Window TopLevelOf(Window w);
    void ClickAt(int rootX, int rootY, unsigned button = 1);
    // Button pressed at one point, moved to the other, released there (a
    // scroll bar's slider dragged).
    void Drag(int fromX, int fromY, int toX, int toY, unsigned button = 1);
    // A point relative to a window's top-left corner.
    void ClickIn(Window w, int x, int y, unsigned button = 1);
    // Press and release of a key by its keysym name ("Return", "Escape",
    // "Tab", "space", "Left"), typed into window w: the pointer is moved
    // into w first, as a user would, and w gets the keyboard focus.
    void Key(Window w, const std::string& keysym);

    // --- widgets, by name (Editres) ---
    // The widget tree of the program that owns shell (a top-level window).
    // Empty (with a test failure) when the program does not answer.
    WidgetTree Widgets(Window shell);
    // Where the named widget's window is; nullopt (with a test failure)
    // when there is no such widget or it has no window.
    std::optional<Rect> WidgetGeometry(Window shell, const std::string& path);
    // Clicks the middle of the named widget (a toggle, a push button),
    // after raising the top-level window that holds it.  shell is any
    // top-level window of the program (popups are in its tree too).
    bool ClickWidget(Window shell, const std::string& path);
    // Clicks one of the gadget buttons along the bottom of a dialog box
    // (a selection box or message box, which has a window): buttons lists
    // the managed buttons left to right, label picks one.  Raises the
    // box's top-level window first.  The buttons are found in the box's
    // picture; should that fail, the usual layout is assumed.
    bool ClickBoxButton(Window shell, const std::string& boxPath, const std::string& label,
                        const std::vector<std::string>& buttons = {"OK", "Apply", "Cancel",
                                                                   "Help"});
    // Where ClickBoxButton would click (after raising the box's window),
    // for pressing the same button many times with ClickAt.
    std::optional<Point> BoxButtonAt(Window shell, const std::string& boxPath,
                                     const std::string& label,
                                     const std::vector<std::string>& buttons = {"OK", "Apply",
                                                                                "Cancel", "Help"});

    // --- pictures ---
    // Saves the screen (or one window) as PNG; false on failure.
    bool Screenshot(const std::string& pngPath, Window w = 0);

  private:
    void StartServer();
    void StopAll();
    void Sync();
    bool Reap(pid_t pid, int* status, int timeoutMs);
    // The viewable top-level windows titled title, bottom to top.
    std::vector<Window> WindowsTitled(const std::string& title);
    // The buttons drawn along the bottom of a box window, found in its
    // picture: x extents and the middle row, relative to the window.  Empty
    // unless exactly count buttons are seen.
    struct Span {
        int left, right, middle;
    };
    std::vector<Span> ButtonRow(Window box, int count);
    // The window of the named widget; 0 (with a test failure) when none.
    Window WidgetWindow(Window shell, const std::string& path);

    std::string tempDir_;
    std::string displayName_;
    Display* display_ = nullptr;
    pid_t xvfbPid_ = -1;
    pid_t scanhostPid_ = -1;  // our child when under scanhost
    pid_t programPid_ = -1;
    pid_t waitPid_ = -1;  // the child whose status WaitExit returns
    bool ended_ = false;
    int status_ = -1;
    std::string stderrPath_;
    std::string recordPath_;
};

}  // namespace e2e

#endif
