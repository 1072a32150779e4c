// Texts of error numbers, console printing, and catalogue lookup through
// $SCAN_MSGDIR with the locale taken from setlocale or the environment.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "compat/gettxt.h"
#include "scan/sc.h"

namespace {

// A private catalogue directory and a clean locale environment, both put
// back afterwards.
class ScanCatalogues : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* var : kVars) {
            const char* value = std::getenv(var);
            if (value != nullptr) {
                saved_[var] = value;
            }
            unsetenv(var);
        }
        NewDirectory();
        std::setlocale(LC_ALL, "C");
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        for (const char* var : kVars) {
            auto it = saved_.find(var);
            if (it != saved_.end()) {
                setenv(var, it->second.c_str(), 1);
            } else {
                unsetenv(var);
            }
        }
        for (const std::string& dir : dirs_) {
            std::system(("rm -rf '" + dir + "'").c_str());
        }
    }

    // Points SCAN_MSGDIR at a new, empty directory.
    void NewDirectory() {
        char tmpl[] = "/tmp/scanmsgXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        dirs_.push_back(dir_);
        setenv("SCAN_MSGDIR", dir_.c_str(), 1);
    }

    // Writes the catalogue "uxvelcat" for one locale folder: line N holds
    // lines[N], absent lines stay empty.
    void WriteCatalogue(const std::string& folder, const std::map<int, std::string>& lines) {
        mkdir((dir_ + "/" + folder).c_str(), 0755);
        std::ofstream out(dir_ + "/" + folder + "/uxvelcat");
        int last = lines.empty() ? 0 : lines.rbegin()->first;
        for (int n = 1; n <= last; ++n) {
            auto it = lines.find(n);
            out << (it == lines.end() ? "" : it->second) << '\n';
        }
    }

    // Sets a locale variable; null unsets it.
    static void SetVar(const char* var, const char* value) {
        if (value != nullptr) {
            setenv(var, value, 1);
        } else {
            unsetenv(var);
        }
    }

    static constexpr const char* kVars[] = {"LC_ALL", "LC_MESSAGES", "LANG", "SCAN_MSGDIR"};
    std::map<std::string, std::string> saved_;
    std::string dir_;
    std::vector<std::string> dirs_;
};

TEST_F(ScanCatalogues, TextOfEveryNumberWithoutCatalogue) {
    setenv("LC_ALL", "de_DE.UTF-8", 1);  // no catalogue for it in the directory
    const std::string s135 = std::strerror(135), sMinus1 = std::strerror(-1);
    const struct {
        int number;
        std::string text;
    } cases[] = {
        {-1, sMinus1},
        {135, s135},
        {136, "Error code 136"},
        {199, "Error code 199"},
        {200, "Device is not a scanner"},
        {203, "Error communicating with scanner driver"},
        {233, "No event pending"},
        {234, "Error code 234"},
        {-2147483647 - 1, std::strerror(-2147483647 - 1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(SCErrorString(c.number)), c.text) << c.number;
    }
}

// Every scanner number is looked up under its own message identifier.
TEST_F(ScanCatalogues, EveryRowUsesItsIdentifier) {
    std::map<int, std::string> lines;
    for (int n = 1; n <= 250; ++n) {
        lines[n] = "message " + std::to_string(n);
    }
    WriteCatalogue("de", lines);
    setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    for (int number = 200; number <= 233; ++number) {
        if (number == 230) {
            continue;  // the driver's own text
        }
        int id = number == 233 ? 244 : 74 + (number - 200);
        EXPECT_EQ(std::string(SCErrorString(number)), "message " + std::to_string(id)) << number;
    }
    // Line 107 takes no number, so it is not used as the format.
    EXPECT_EQ(std::string(SCErrorString(150)), "Error code 150");
}

TEST_F(ScanCatalogues, TranslatedFormatForUnnamedNumbers) {
    const struct {
        const char* format;
        const char* text;
    } cases[] = {
        {"Fehlercode %d.", "Fehlercode 150."}, {"100%% Fehler %5d", "100% Fehler   150"},
        {"Fehler %s", "Error code 150"},       {"Fehler %d %d", "Error code 150"},
        {"Fehler %n", "Error code 150"},       {"Fehler", "Error code 150"},
    };
    for (const auto& c : cases) {
        std::string folder = "de_DE." + std::to_string(&c - cases);
        WriteCatalogue(folder, {{107, c.format}});
        setenv("LANG", folder.c_str(), 1);
        EXPECT_EQ(std::string(SCErrorString(150)), c.text) << c.format;
    }
}

// Which folder's catalogue answers, for the environment's locale variables.
// setlocale cannot set these locales here, so the variables decide.
TEST_F(ScanCatalogues, LocaleFromEnvironment) {
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* folder;  // where the catalogue lies; null: nowhere
        bool translated;
    } cases[] = {
        {"de_DE.UTF-8", nullptr, nullptr, "de_DE.UTF-8", true},
        {"de_DE.UTF-8", nullptr, nullptr, "de_DE", true},
        {"de_DE.UTF-8@euro", nullptr, nullptr, "de_DE@euro", true},
        {"de_DE.UTF-8@euro", nullptr, nullptr, "de", true},
        {nullptr, nullptr, "de_AT", "de", true},
        {"", "de_DE", "fr_FR", "de", true},
        {"fr_FR", "de_DE", nullptr, "de", false},
        {nullptr, "de_DE", nullptr, nullptr, false},
        {"C", "de_DE", nullptr, "C", false},
        {"POSIX", nullptr, nullptr, "POSIX", false},
        {"C.UTF-8", nullptr, "de_DE", "C", false},
        {nullptr, nullptr, nullptr, "de", false},
        {"de/../de", nullptr, nullptr, "de", false},
    };
    for (const auto& c : cases) {
        NewDirectory();
        if (c.folder != nullptr) {
            WriteCatalogue(c.folder, {{74, "Gerät ist kein Scanner"}});
        }
        SetVar("LC_ALL", c.lcAll);
        SetVar("LC_MESSAGES", c.lcMessages);
        SetVar("LANG", c.lang);
        std::setlocale(LC_ALL, "");  // as the programs that follow the environment do
        EXPECT_STREQ(gettxt("uxvelcat:74", "Device is not a scanner"),
                     c.translated ? "Gerät ist kein Scanner" : "Device is not a scanner")
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-") << " in " << (c.folder ? c.folder : "-");
    }
}

TEST_F(ScanCatalogues, MissingOrEmptyLinesAndBadIdentifiersGiveTheDefault) {
    WriteCatalogue("de", {{74, "Gerät ist kein Scanner"}, {76, ""}});
    WriteCatalogue("de_DE", {{75, "Nur hier"}});
    setenv("LC_ALL", "de_DE", 1);
    // The most specific folder that holds the catalogue decides.
    EXPECT_STREQ(gettxt("uxvelcat:75", "d75"), "Nur hier");
    EXPECT_STREQ(gettxt("uxvelcat:74", "d74"), "d74");
    setenv("LC_ALL", "de", 1);
    EXPECT_STREQ(gettxt("uxvelcat:74", "d74"), "Gerät ist kein Scanner");
    for (const char* id : {"uxvelcat:76", "uxvelcat:999", "uxvelcat:0", "uxvelcat:", "uxvelcat",
                           "uxvelcat:7x", "other:74", "../de/uxvelcat:74", ":74"}) {
        EXPECT_STREQ(gettxt(id, "default"), "default") << id;
    }
    // The texts stay valid while other catalogues are read.
    const char* first = gettxt("uxvelcat:74", "d74");
    setenv("LC_ALL", "de_DE", 1);
    gettxt("uxvelcat:75", "d75");
    EXPECT_STREQ(first, "Gerät ist kein Scanner");
}

TEST(ScanMessages, DriverTextEmptyBeforeAnyErrorReply) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process
    EXPECT_EXIT(
        std::exit(SCErrorString(230) == _SCDriverMessage && _SCDriverMessage[0] == '\0' ? 0 : 1),
        testing::ExitedWithCode(0), "");
}

// What SCPerror writes to standard error.
std::string PerrorOutput(const char* prefix) {
    std::fflush(stderr);
    int saved = dup(2);
    FILE* capture = std::tmpfile();
    dup2(fileno(capture), 2);
    SCPerror(prefix);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    std::string out;
    for (int ch; (ch = std::fgetc(capture)) != EOF;) {
        out += static_cast<char>(ch);
    }
    std::fclose(capture);
    return out;
}

TEST(ScanMessages, PerrorForms) {
    unsetenv("SCAN_MSGDIR");
    SCerrno = 207;
    const struct {
        const char* prefix;
        const char* out;
    } cases[] = {
        {nullptr, "Illegal command\n"},
        {"", "Illegal command\n"},
        {"amberpane", "amberpane: Illegal command\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PerrorOutput(c.prefix), c.out) << (c.prefix ? c.prefix : "(null)");
    }
    SCerrno = 230;
    std::strcpy(_SCDriverMessage, "Lamp failure");
    EXPECT_EQ(PerrorOutput("x"), "x: Lamp failure\n");
}

}  // namespace
