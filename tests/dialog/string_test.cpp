// Multi-line compound strings and label texts.
#include "toolkit_fixture.h"

#include <Xm/Label.h>
#include <Xm/Xm.h>

#include <cstring>
#include <string>

#include "dialog/string.h"

namespace {

// The segments of a compound string joined, with "|" for each separator.
std::string Segments(XmString xms) {
    std::string out;
    XmStringContext ctx;
    if (!XmStringInitContext(&ctx, xms))
        return "<no context>";
    char* text = nullptr;
    XmStringCharSet tag = nullptr;
    XmStringDirection dir;
    Boolean separator = False;
    while (XmStringGetNextSegment(ctx, &text, &tag, &dir, &separator)) {
        out += text;
        if (separator)
            out += "|";
        XtFree(text);
        XtFree(tag);
    }
    XmStringFreeContext(ctx);
    return out;
}

class DialogString : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "dialogtest"; }
    const char* AppClass() const override { return "DialogTest"; }
    String* Fallbacks() const override { return nullptr; }
};

TEST_F(DialogString, SplitsAtNewlinesDroppingEmptyLines) {
    struct Case {
        const char* text;
        const char* segments;
    };
    const Case cases[] = {
        {"one line", "one line"},
        {"first\nsecond\nthird", "first|second|third"},
        {"first\n\nsecond", "first|second"},  // the empty line vanishes
        {"trailing\n", "trailing"},
        {"\nleading", "leading"},
        {"\n\nboth\n\n", "both"},
        {"", ""},
        {"\n", ""},
        {"\n\n\n", ""},
    };
    for (const Case& c : cases) {
        XmString xms = CreateMotifString(c.text);
        ASSERT_NE(xms, nullptr) << "text \"" << c.text << "\"";
        EXPECT_EQ(Segments(xms), c.segments) << "text \"" << c.text << "\"";
        if (*c.segments == '\0') {
            EXPECT_TRUE(XmStringEmpty(xms)) << "text \"" << c.text << "\"";
        }
        XmStringFree(xms);
    }
}

TEST_F(DialogString, LeavesTheCallersTokeniserAlone) {
    char words[] = "alpha beta gamma";
    ASSERT_STREQ(std::strtok(words, " "), "alpha");
    XmString xms = CreateMotifString("x\ny\nz");
    XmStringFree(xms);
    EXPECT_STREQ(std::strtok(nullptr, " "), "beta");
    EXPECT_STREQ(std::strtok(nullptr, " "), "gamma");
}

TEST_F(DialogString, SetLabelStringShowsTheLines) {
    Widget label = XmCreateLabel(toplevel, const_cast<char*>("label"), nullptr, 0);
    SetLabelString(label, "Red\n\nBrightness:\n");
    EXPECT_EQ(testrig::LabelText(label), "Red\nBrightness:");
}

}  // namespace
