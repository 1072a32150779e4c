// indigopane's real dialog in-process, talking to a real peer: the test
// holds the far end of a socketpair whose near end is descriptor 6.  The
// peer's replies are written before each request, so the program never
// waits; afterwards the test reads what the program sent.
#include "toolkit_fixture.h"

#include "indigopane.h"

#include <Xm/Xm.h>
#include <Xm/MessageB.h>
#include <Xm/ScrollBar.h>
#include <Xm/ToggleB.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "help/help.h"
#include "records/byteorder.h"

namespace {

using Fields = std::array<std::int32_t, 5>;  // reducedSet, gamma, bright, edge, dither
using Member = Widget SharpState::*;

records::SharpOptions Record(const Fields& f) {
    records::SharpOptions r;
    for (std::size_t i = 0; i < f.size(); ++i)
        r.set(static_cast<records::SharpOptions::Field>(4 * i), f[i]);
    return r;
}

Fields FieldsOf(const records::SharpOptions& r) {
    Fields f{};
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = r.get(static_cast<records::SharpOptions::Field>(4 * i));
    return f;
}

std::string Header(int first, int second) {
    unsigned char h[8];
    records::putI32BE(h, first);
    records::putI32BE(h + 4, second);
    return std::string(reinterpret_cast<char*>(h), sizeof h);
}

std::string Bytes(const records::SharpOptions& r) {
    return std::string(reinterpret_cast<const char*>(r.data()), r.size());
}

constexpr Member kGammaToggles[] = {&SharpState::g1,   &SharpState::g2,    &SharpState::darkest,
                                    &SharpState::dark, &SharpState::light, &SharpState::lightest};
constexpr Member kEdgeToggles[] = {&SharpState::edgeNone, &SharpState::edgeMedium,
                                   &SharpState::edgeStrong, &SharpState::edgeDull};
constexpr Member kDitherToggles[] = {&SharpState::dithNone, &SharpState::dithA, &SharpState::dithB,
                                     &SharpState::dithC, &SharpState::dithError};

std::vector<std::string> ChildNames(Widget parent) {
    WidgetList children = nullptr;
    Cardinal count = 0;
    XtVaGetValues(parent, XmNchildren, &children, XmNnumChildren, &count, nullptr);
    std::vector<std::string> names;
    for (Cardinal i = 0; i < count; ++i) names.push_back(XtName(children[i]));
    return names;
}

int ScrollValue(Widget scrollBar) {
    int value = -1;
    XtVaGetValues(scrollBar, XmNvalue, &value, nullptr);
    return value;
}

class IndigopaneTest : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "indigopane"; }
    const char* AppClass() const override { return "Indigopane"; }
    String* Fallbacks() const override { return fallBackResources; }

    void SetUp() override {
        testrig::ToolkitTest::SetUp();
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        // The peer keeps a descriptor above 6, so putting the program's end
        // on 6 cannot close it.
        peer = fcntl(sv[1], F_DUPFD, 10);
        close(sv[1]);
        if (sv[0] != 6) {
            ASSERT_EQ(dup2(sv[0], 6), 6);
            close(sv[0]);
        }
        // Reads never wait: whatever the program sent is already there.
        fcntl(peer, F_SETFL, O_NONBLOCK);
    }

    // Fetches the record over the channel as the program's start-up does,
    // then builds the dialog from it.
    void Start(const Fields& fetched) {
        Serve(Header(20, 0) + Bytes(Record(fetched)));
        state.toplevel = toplevel;
        int argc = 1;
        char name[] = "indigopane";
        char* argv[] = {name, nullptr};
        state.handle = SCGetScanOpt(&argc, argv);
        ASSERT_NE(state.handle, nullptr);
        ASSERT_EQ(SCScanOpt(state.handle, SC_OPT_GET, nullptr, 0, state.options.data(), 20), 0);
        ASSERT_EQ(Sent(), Header(SC_OPT_GET, 0));
        selBox = CreateOptionsDialog(&state);
        XtRealizeWidget(toplevel);
        testrig::ProcessEvents();
    }

    // The peer's next reply(s), waiting in the channel.
    void Serve(const std::string& bytes) {
        ASSERT_EQ(write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Everything the program has sent so far.
    std::string Sent() {
        std::string out;
        char buf[256];
        ssize_t r;
        while ((r = read(peer, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(r));
        return out;
    }

    // Presses Apply with a success reply waiting; returns the stored fields.
    Fields Apply() {
        Serve(Header(0, 0));
        testrig::PressSelectionButton(selBox, XmNapplyCallback);
        std::string sent = Sent();
        EXPECT_EQ(sent.size(), 28u);
        EXPECT_EQ(sent.substr(0, 8), Header(SC_OPT_SET, 20));
        records::SharpOptions stored;
        sent.resize(28);
        std::copy(sent.begin() + 8, sent.end(), stored.bytes.begin());
        return FieldsOf(stored);
    }

    // The built toggles of a group that are on.
    std::vector<Member> On(const std::vector<Member>& group) {
        std::vector<Member> on;
        for (Member m : group)
            if (state.*m != nullptr && XmToggleButtonGetState(state.*m))
                on.push_back(m);
        return on;
    }

    SharpState state{};
    Widget selBox = nullptr;
    int peer = -1;
};

std::vector<Member> Group(const Member* begin, const Member* end) {
    return {begin, end};
}
const std::vector<Member> kGamma = Group(std::begin(kGammaToggles), std::end(kGammaToggles));
const std::vector<Member> kEdge = Group(std::begin(kEdgeToggles), std::end(kEdgeToggles));
const std::vector<Member> kDither = Group(std::begin(kDitherToggles), std::end(kDitherToggles));

TEST_F(IndigopaneTest, AllZeroRecordShowsEveryGroupAndAppliesTheDefaults) {
    Start({0, 0, 0, 0, 0});
    Widget rc = testrig::Find(selBox, "rc");
    EXPECT_EQ(ChildNames(rc),
              (std::vector<std::string>{"gammaForm", "brightForm", "edgeForm", "ditherForm"}));
    EXPECT_EQ(ChildNames(testrig::Find(rc, "gammaForm.gammaRC")),
              (std::vector<std::string>{"g1", "g2", "darkest", "dark", "light", "lightest"}));
    EXPECT_EQ(ChildNames(testrig::Find(rc, "brightForm")),
              (std::vector<std::string>{"brightLabel", "darkLabel", "lightLabel", "bright"}));
    EXPECT_EQ(ChildNames(testrig::Find(rc, "ditherForm.ditherRC")),
              (std::vector<std::string>{"dithNone", "dithA", "dithB", "dithC", "dithError"}));

    EXPECT_EQ(On(kGamma), std::vector<Member>{&SharpState::g1});
    EXPECT_EQ(testrig::LabelText(state.g1), "G1");
    EXPECT_EQ(ScrollValue(state.bright), 3);
    EXPECT_EQ(On(kEdge), std::vector<Member>{&SharpState::edgeNone});
    EXPECT_EQ(testrig::LabelText(state.edgeNone), "None");
    EXPECT_EQ(On(kDither), std::vector<Member>{&SharpState::dithNone});
    EXPECT_EQ(testrig::LabelText(state.dithNone), "None");

    EXPECT_EQ(Apply(), (Fields{0, 1, 0, 1, 1}));
}

TEST_F(IndigopaneTest, ReducedSetOffersG1G2AndEdgeAndCarriesTheRest) {
    Start({1, 2, 0x11223344, 3, -0x5a5a5a5b});
    Widget rc = testrig::Find(selBox, "rc");
    EXPECT_EQ(ChildNames(rc), (std::vector<std::string>{"gammaForm", "edgeForm"}));
    EXPECT_EQ(ChildNames(testrig::Find(rc, "gammaForm.gammaRC")),
              (std::vector<std::string>{"g1", "g2"}));
    for (Member m :
         {&SharpState::darkest, &SharpState::dark, &SharpState::light, &SharpState::lightest,
          &SharpState::bright, &SharpState::dithNone, &SharpState::dithA, &SharpState::dithB,
          &SharpState::dithC, &SharpState::dithError})
        EXPECT_EQ(state.*m, nullptr);
    EXPECT_EQ(On(kGamma), std::vector<Member>{&SharpState::g2});
    EXPECT_EQ(On(kEdge), std::vector<Member>{&SharpState::edgeStrong});

    const std::string fetched = Bytes(state.options);
    testrig::SetToggle(state.g1, true);
    testrig::SetToggle(state.edgeDull, true);
    Fields stored = Apply();
    EXPECT_EQ(stored, (Fields{1, 1, 0x11223344, 4, -0x5a5a5a5b}));
    const std::string now = Bytes(Record(stored));
    for (std::size_t at : {0u, 8u, 16u}) EXPECT_EQ(now.substr(at, 4), fetched.substr(at, 4));
}

// Values outside the code sets: what is shown, and what an Apply without
// edits writes back.
struct OutOfSet {
    const char* name;
    Fields fetched;
    Member gammaShown;
    Member edgeShown;
    Member ditherShown;  // null for the reduced set
    int brightShown;     // -1 for the reduced set
    Fields stored;
};

void PrintTo(const OutOfSet& c, std::ostream* os) {
    *os << c.name;
}

class OutOfSetTest : public IndigopaneTest, public ::testing::WithParamInterface<OutOfSet> {};

TEST_P(OutOfSetTest, IsShownAsTheDefaultAndWrittenAsItsCode) {
    const OutOfSet& c = GetParam();
    Start(c.fetched);
    EXPECT_EQ(On(kGamma), std::vector<Member>{c.gammaShown});
    EXPECT_EQ(On(kEdge), std::vector<Member>{c.edgeShown});
    if (c.ditherShown != nullptr) {
        EXPECT_EQ(On(kDither), std::vector<Member>{c.ditherShown});
    }
    if (c.brightShown >= 0) {
        EXPECT_EQ(ScrollValue(state.bright), c.brightShown);
    }
    EXPECT_EQ(Apply(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Values, OutOfSetTest,
                         ::testing::Values(OutOfSet{"gamma0",
                                                    {0, 0, 1, 2, 3},
                                                    &SharpState::g1,
                                                    &SharpState::edgeMedium,
                                                    &SharpState::dithB,
                                                    4,
                                                    {0, 1, 1, 2, 3}},
                                           OutOfSet{"gamma7",
                                                    {0, 7, 0, 1, 1},
                                                    &SharpState::g1,
                                                    &SharpState::edgeNone,
                                                    &SharpState::dithNone,
                                                    3,
                                                    {0, 1, 0, 1, 1}},
                                           OutOfSet{"gammaMinus1",
                                                    {0, -1, 0, 1, 1},
                                                    &SharpState::g1,
                                                    &SharpState::edgeNone,
                                                    &SharpState::dithNone,
                                                    3,
                                                    {0, 1, 0, 1, 1}},
                                           OutOfSet{"reducedGamma5",
                                                    {1, 5, 0, 1, 1},
                                                    &SharpState::g1,
                                                    &SharpState::edgeNone,
                                                    nullptr,
                                                    -1,
                                                    {1, 1, 0, 1, 1}},
                                           OutOfSet{"bright3",
                                                    {0, 6, 3, 4, 5},
                                                    &SharpState::lightest,
                                                    &SharpState::edgeDull,
                                                    &SharpState::dithError,
                                                    6,
                                                    {0, 6, 3, 4, 5}},
                                           OutOfSet{"bright4",
                                                    {0, 1, 4, 1, 1},
                                                    &SharpState::g1,
                                                    &SharpState::edgeNone,
                                                    &SharpState::dithNone,
                                                    0,
                                                    {0, 1, -3, 1, 1}},
                                           OutOfSet{"brightMinus4",
                                                    {0, 1, -4, 1, 1},
                                                    &SharpState::g1,
                                                    &SharpState::edgeNone,
                                                    &SharpState::dithNone,
                                                    0,
                                                    {0, 1, -3, 1, 1}},
                                           OutOfSet{"edge9",
                                                    {0, 3, -3, 9, 4},
                                                    &SharpState::darkest,
                                                    &SharpState::edgeNone,
                                                    &SharpState::dithC,
                                                    0,
                                                    {0, 3, -3, 1, 4}},
                                           OutOfSet{"dither0",
                                                    {0, 4, 2, 1, 0},
                                                    &SharpState::dark,
                                                    &SharpState::edgeNone,
                                                    &SharpState::dithNone,
                                                    5,
                                                    {0, 4, 2, 1, 1}},
                                           OutOfSet{"reducedDither0",
                                                    {1, 1, 0, 1, 0},
                                                    &SharpState::g1,
                                                    &SharpState::edgeNone,
                                                    nullptr,
                                                    -1,
                                                    {1, 1, 0, 1, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A user's choice, and what Apply writes for it.  The dialog starts on the
// last toggle of every group, so each choice must also clear that one.
struct UserChoice {
    const char* name;
    Member toggle;  // null: move the scroll bar instead
    int scrollTo;
    Fields stored;
};

void PrintTo(const UserChoice& c, std::ostream* os) {
    *os << c.name;
}

class UserChoiceTest : public IndigopaneTest, public ::testing::WithParamInterface<UserChoice> {
  protected:
    void Choose(const UserChoice& c) {
        if (c.toggle != nullptr)
            testrig::SetToggle(state.*c.toggle, true);
        else
            testrig::MoveScrollBar(state.bright, c.scrollTo);
    }
};

TEST_P(UserChoiceTest, ApplySendsTheChoice) {
    Start({0, 6, 3, 4, 5});
    Choose(GetParam());
    EXPECT_EQ(Apply(), GetParam().stored);
}

TEST_P(UserChoiceTest, CancelSendsNothing) {
    Start({0, 6, 3, 4, 5});
    Choose(GetParam());
    EXPECT_EXIT(testrig::PressSelectionButton(selBox, XmNcancelCallback),
                ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Sent(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Controls, UserChoiceTest,
    ::testing::Values(UserChoice{"g1", &SharpState::g1, 0, {0, 1, 3, 4, 5}},
                      UserChoice{"g2", &SharpState::g2, 0, {0, 2, 3, 4, 5}},
                      UserChoice{"darkest", &SharpState::darkest, 0, {0, 3, 3, 4, 5}},
                      UserChoice{"dark", &SharpState::dark, 0, {0, 4, 3, 4, 5}},
                      UserChoice{"light", &SharpState::light, 0, {0, 5, 3, 4, 5}},
                      UserChoice{"edgeNone", &SharpState::edgeNone, 0, {0, 6, 3, 1, 5}},
                      UserChoice{"edgeMedium", &SharpState::edgeMedium, 0, {0, 6, 3, 2, 5}},
                      UserChoice{"edgeStrong", &SharpState::edgeStrong, 0, {0, 6, 3, 3, 5}},
                      UserChoice{"dithNone", &SharpState::dithNone, 0, {0, 6, 3, 4, 1}},
                      UserChoice{"dithA", &SharpState::dithA, 0, {0, 6, 3, 4, 2}},
                      UserChoice{"dithB", &SharpState::dithB, 0, {0, 6, 3, 4, 3}},
                      UserChoice{"dithC", &SharpState::dithC, 0, {0, 6, 3, 4, 4}},
                      UserChoice{"brightDarkEnd", nullptr, 0, {0, 6, -3, 4, 5}},
                      UserChoice{"brightMiddle", nullptr, 3, {0, 6, 0, 4, 5}},
                      UserChoice{"brightPastTheEnd", nullptr, 9, {0, 6, 3, 4, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IndigopaneTest, ApplyThenCancelSendsOnlyTheApply) {
    Start({0, 1, 0, 1, 1});
    testrig::SetToggle(state.dithA, true);
    EXPECT_EQ(Apply(), (Fields{0, 1, 0, 1, 2}));
    testrig::SetToggle(state.dithB, true);
    EXPECT_EXIT(testrig::PressSelectionButton(selBox, XmNcancelCallback),
                ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Sent(), "");
}

TEST_F(IndigopaneTest, FailedStoreKeepsTheDialogAndALaterOKExits) {
    Start({0, 1, 0, 1, 1});
    testrig::SetToggle(state.edgeDull, true);
    Serve(Header(0, 216));  // "Scanner is busy"
    testrig::PressSelectionButton(selBox, XmNokCallback);
    testrig::ProcessEvents();
    std::string sent = Sent();
    ASSERT_EQ(sent.size(), 28u);
    // The record keeps what was collected, for the next try.
    EXPECT_EQ(state.options.edgeEmphasis(), 4);
    Widget errorBox = testrig::Find(toplevel, "*errorBox");
    ASSERT_NE(errorBox, nullptr);
    EXPECT_TRUE(XtIsManaged(errorBox));
    EXPECT_EQ(testrig::LabelText(XmMessageBoxGetChild(errorBox, XmDIALOG_MESSAGE_LABEL)),
              "Scanner is busy");

    Serve(Header(0, 0));
    EXPECT_EXIT(testrig::PressSelectionButton(selBox, XmNokCallback), ::testing::ExitedWithCode(0),
                "");
    sent = Sent();
    ASSERT_EQ(sent.size(), 28u);
    EXPECT_EQ(sent.substr(8), Bytes(Record({0, 1, 0, 4, 1})));
}

TEST_F(IndigopaneTest, HelpTwiceShowsOneDialogReloaded) {
    Start({0, 0, 0, 0, 0});
    testrig::PressSelectionButton(selBox, XmNhelpCallback);
    testrig::ProcessEvents();
    Widget first = helpDialog;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(XtParent(XtParent(first)), toplevel);
    EXPECT_STREQ(XtName(first), "helpTopic");
    testrig::PressSelectionButton(selBox, XmNhelpCallback);
    testrig::ProcessEvents();
    EXPECT_EQ(helpDialog, first);
    EXPECT_TRUE(XtIsManaged(first));

    auto* rec = static_cast<HlpDialogRec*>(nullptr);
    XtVaGetValues(first, XmNuserData, &rec, nullptr);
    ASSERT_NE(rec, nullptr);
    EXPECT_NE(rec->fileAddress, nullptr) << "the help file was not loaded";
    Dimension width = 0;
    XtVaGetValues(XtParent(first), XmNwidth, &width, nullptr);
    EXPECT_GT(width, 0);
}

}  // namespace
