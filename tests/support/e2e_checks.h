// Cases and checks that the options programs' end-to-end tests share: each
// program's tests run the same start-up failures and reach the same states
// before a signal, on their own dialog.
#ifndef SCAN_TESTS_E2E_CHECKS_H
#define SCAN_TESTS_E2E_CHECKS_H

#include "e2e.h"

#include <ostream>
#include <string>
#include <vector>

namespace e2e {

// The title of the error box and of the error dialog.
extern const char kErrorTitle[];

// Names a parameterised test after its case's name member, for
// INSTANTIATE_TEST_SUITE_P.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

// A start-up that fails: the program shows its start-up error box, whose OK
// ends it with 1.
struct StartupCase {
    const char* name;
    bool underScanhost;  // false: no descriptor 6 at all
    std::vector<std::string> scanhostArgs;
    bool byClick;  // OK pressed by a click on it, else by Return
};

// Names the case in test listings.
void PrintTo(const StartupCase& c, std::ostream* os);

// Waits for the start-up error box and checks that it is all the program
// shows: the box sits in the top-level shell itself, there is no selection
// box, and no window is titled dialogTitle.  Returns the box's top-level
// window; 0 (with a test failure) when the box does not come.
Window ExpectOnlyStartupErrorBox(Session& s, const std::string& dialogTitle);

// Presses OK on the error box of the top-level window box (the start-up
// error box or an error dialog): a click on the button, or Return, its
// default button.  False (with a test failure) when the click cannot be made.
bool PressErrorOk(Session& s, Window box, bool byClick);

// What a program shows when it is signalled.
enum class Showing {
    Dialog,           // the options dialog
    ErrorDialog,      // an error dialog over it, after a store that fails
    StartupErrorBox,  // the start-up error box, after a fetch that fails
};

// Brings the program to showing: waits for the dialog titled dialogTitle;
// for ErrorDialog presses its Apply (scanhost must fail the store) and waits
// for the error dialog; for StartupErrorBox waits for that box (scanhost
// must fail the fetch).  False (with a test failure) when a window does not
// come.
bool WaitUntilShowing(Session& s, Showing showing, const std::string& dialogTitle);

// A signal sent once the program has lost its parent, while it shows
// something.
struct OrphanCase {
    const char* name;
    int signal;
    std::vector<std::string> scanhostArgs;  // the failures that lead to showing
    Showing showing;
};

// Names the case in test listings.
void PrintTo(const OrphanCase& c, std::ostream* os);

// Starts launch (with the case's scanhost options added), brings the program
// to what the case shows, kills scanhost so that the program is orphaned
// (adopted by this test), sends the case's signal and expects exit status 0.
void ExpectOrphanSignalEndsWithZero(const OrphanCase& c, Launch launch,
                                    const std::string& dialogTitle);

}  // namespace e2e

#endif
