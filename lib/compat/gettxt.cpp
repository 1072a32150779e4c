// Message catalogue lookup: plain text catalogues, one folder per locale.
//
// Which locale: the name that setlocale(LC_MESSAGES, nullptr) reports.  When
// that is the C locale (the program never set its locale, or the locale the
// environment names is not installed on this machine, so setlocale could not
// set it), the environment decides instead in the usual order: the first
// non-empty one of LC_ALL, LC_MESSAGES and LANG.  A catalogue needs no
// installed locale data, so a user whose locale is missing still sees
// translated messages.
//
// For a name such as "de_DE.UTF-8@euro" the folders tried are, in turn,
// "de_DE.UTF-8@euro", "de_DE@euro", "de_DE" and "de"; the first one holding
// the catalogue file decides.  "C" and "POSIX" (with any codeset) have no
// catalogue.
#include "compat/gettxt.h"

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr const char* kDefaultDir = "/usr/share/scan/msg";

// Catalogues read so far, by path.  Entries are never changed or removed, so
// the texts handed out stay valid for the life of the process.
std::map<std::string, std::vector<std::string>>& Loaded() {
    static std::map<std::string, std::vector<std::string>> loaded;
    return loaded;
}

bool IsCLocale(const std::string& name) {
    std::string base = name.substr(0, name.find_first_of(".@"));
    return base.empty() || base == "C" || base == "POSIX";
}

// A name that is safe as one path component.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos;
}

std::string MessagesLocale() {
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current != nullptr && !IsCLocale(current)) {
        return current;
    }
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "C";
}

// The folder names to try for a locale name, most specific first.
std::vector<std::string> Candidates(const std::string& name) {
    std::vector<std::string> names;
    auto add = [&names](const std::string& n) {
        if (IsPlainName(n) && (names.empty() || names.back() != n)) {
            names.push_back(n);
        }
    };
    std::string::size_type at = name.find('@');
    std::string modifier = at == std::string::npos ? "" : name.substr(at);
    std::string withoutModifier = name.substr(0, at);
    std::string territory = withoutModifier.substr(0, withoutModifier.find('.'));
    std::string language = territory.substr(0, territory.find('_'));
    add(name);
    add(territory + modifier);
    add(territory);
    add(language);
    return names;
}

// The lines of the catalogue at path, or null when there is no such file.
const std::vector<std::string>* Catalogue(const std::string& path) {
    auto& loaded = Loaded();
    auto found = loaded.find(path);
    if (found != loaded.end()) {
        return &found->second;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return nullptr;
    }
    std::ifstream in(path);
    if (!in) {
        return nullptr;
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return &loaded.emplace(path, std::move(lines)).first->second;
}

}  // namespace

const char* gettxt(const char* msgid, const char* dflt) {
    if (msgid == nullptr) {
        return dflt;
    }
    std::string id(msgid);
    std::string::size_type colon = id.find(':');
    if (colon == std::string::npos) {
        return dflt;
    }
    std::string catalogue = id.substr(0, colon);
    std::string number = id.substr(colon + 1);
    if (!IsPlainName(catalogue) || number.empty() || number.size() > 6 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        return dflt;
    }
    const unsigned long line = std::stoul(number);
    if (line == 0) {
        return dflt;
    }

    std::string locale = MessagesLocale();
    if (IsCLocale(locale)) {
        return dflt;
    }
    const char* dirEnv = std::getenv("SCAN_MSGDIR");
    std::string dir = dirEnv != nullptr && dirEnv[0] != '\0' ? dirEnv : kDefaultDir;

    for (const std::string& folder : Candidates(locale)) {
        const std::vector<std::string>* lines = Catalogue(dir + "/" + folder + "/" + catalogue);
        if (lines == nullptr) {
            continue;
        }
        if (line <= lines->size() && !(*lines)[line - 1].empty()) {
            return (*lines)[line - 1].c_str();
        }
        return dflt;
    }
    return dflt;
}
