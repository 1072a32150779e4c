// How long the help viewer takes to load and show a help file of 10 KB, 1 MB
// and 10 MB, beside the time to set the same text into a bare XmText and
// show it, and into an XmText held by an automatically scrolling window (the
// arrangement the viewer uses) and show that.  Prints the median of several
// runs and the ratios.
//
//   xvfb-run -a build/bench/help/help_bench [runs]
#include "help/help.h"

#include <Xm/Xm.h>
#include <Xm/ScrolledW.h>
#include <Xm/Text.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

String fallbacks[] = {
    const_cast<char*>("*helpTopic.dialogTitle: Help"),
    const_cast<char*>("*helpTopic.height: 300"),
    const_cast<char*>("*helpTopic.width: 550"),
    nullptr,
};

XtAppContext app;
Display* display;

void ProcessEvents() {
    XSync(display, False);
    while (XtAppPending(app) != 0) XtAppProcessEvent(app, XtIMAll);
}

// Help-like text of exactly size bytes: short lines, as a help file has.
std::string HelpText(std::size_t size) {
    const std::string line = "Brightness (1 to 1023): a higher value gives a lighter.\n";
    std::string text;
    text.reserve(size + line.size());
    while (text.size() < size) text += line;
    text.resize(size);
    return text;
}

// Median wall time in milliseconds of runs of step, after one warm-up run;
// after runs untimed after each step.  Every step but the first replaces a
// text of the same size, as a second press of Help does.
double MedianMs(int runs, const std::function<void()>& step, const std::function<void()>& after) {
    step();
    after();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        after();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A multi-line, read-only text widget in a 550 x 300 window of its own,
// directly or inside an automatically scrolling window.
struct TextWindow {
    Widget shell;
    Widget text;
};

TextWindow MakeTextWindow(const char* name, bool scrolled) {
    TextWindow window{};
    window.shell = XtVaAppCreateShell(name, "HelpBench", topLevelShellWidgetClass, display,
                                      XmNwidth, 550, XmNheight, 300, nullptr);
    Widget parent = window.shell;
    if (scrolled) {
        parent = XtVaCreateManagedWidget("scrolledWindow", xmScrolledWindowWidgetClass,
                                         window.shell, XmNscrollingPolicy, XmAUTOMATIC, nullptr);
    }
    window.text =
        XtVaCreateManagedWidget("text", xmTextWidgetClass, parent, XmNeditMode, XmMULTI_LINE_EDIT,
                                XmNeditable, False, XmNwordWrap, False, nullptr);
    XtSetMappedWhenManaged(window.shell, False);
    XtRealizeWidget(window.shell);
    return window;
}

// Median time to set the text into the window's widget and show the window.
double SetAndShowMs(int runs, const TextWindow& window, const std::string& text) {
    return MedianMs(
        runs,
        [&] {
            XmTextSetString(window.text, const_cast<char*>(text.c_str()));
            XtMapWidget(window.shell);
            ProcessEvents();
        },
        [&] {
            XtUnmapWidget(window.shell);
            ProcessEvents();
        });
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    Widget toplevel =
        XtAppInitialize(&app, "HelpBench", nullptr, 0, &argc, argv, fallbacks, nullptr, 0);
    display = XtDisplay(toplevel);
    const TextWindow bare = MakeTextWindow("bare", false);
    const TextWindow scrolled = MakeTextWindow("scrolled", true);
    XtRealizeWidget(toplevel);
    Widget dialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    ProcessEvents();

    char folder[] = "/tmp/helpbench.XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    const std::string path = std::string(folder) + "/bench.hlp";

    std::printf("median of %d runs, milliseconds to set (or load) a text and show it\n", runs);
    std::printf("%8s %10s %10s %10s %10s %10s\n", "size", "help", "bare", "scrolled", "help/bare",
                "help/scr.");
    const struct {
        const char* name;
        std::size_t size;
    } sizes[] = {{"10 KB", 10'000}, {"1 MB", 1'000'000}, {"10 MB", 10'000'000}};
    for (const auto& s : sizes) {
        const std::string text = HelpText(s.size);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;

        // The help viewer as a press of Help uses it: load, then show.
        const double help = MedianMs(
            runs,
            [&] {
                HlpSetHelpFile(dialog, path.c_str());
                HlpPopup(dialog);
                ProcessEvents();
            },
            [&] {
                XtUnmanageChild(dialog);
                ProcessEvents();
            });
        const double bareMs = SetAndShowMs(runs, bare, text);
        const double scrolledMs = SetAndShowMs(runs, scrolled, text);
        std::printf("%8s %10.2f %10.2f %10.2f %10.2f %10.2f\n", s.name, help, bareMs, scrolledMs,
                    help / bareMs, help / scrolledMs);
    }
    unlink(path.c_str());
    rmdir(folder);
    return 0;
}
