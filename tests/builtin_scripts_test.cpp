// The engine's built-in gameplay scripts, as copied into the asset root: each
// one selects its behaviour by file name, declares in its leading comment
// block exactly the fields that behaviour reads, with the behaviour's
// defaults, and has the "return function(self, dt)" form.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Export {
    std::string type, name, value;
    bool operator==(const Export&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Export& e) { return os << e.type << " " << e.name << " " << e.value; }

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n\v\f");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n\v\f");
    return s.substr(a, b - a + 1);
}

// Declarations are read from the leading comment block only.
std::vector<Export> LeadingExports(const std::string& text) {
    std::vector<Export> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.empty()) continue;
        if (t.rfind("--", 0) != 0) break;
        if (t.rfind("-- @export ", 0) != 0) continue;
        std::istringstream words(t.substr(11));
        Export e;
        words >> e.type >> e.name;
        std::getline(words, e.value);
        e.value = Trim(e.value);
        out.push_back(e);
    }
    return out;
}

struct ScriptCase {
    const char* file;
    std::vector<Export> exports;
};

TEST(BuiltinScripts, DeclareTheFieldsTheirBehavioursRead) {
    const ScriptCase cases[] = {
        {"player.fs",
         {{"float", "moveSpeed", "5.0"},
          {"float", "jumpForce", "8.0"},
          {"float", "camDistance", "10.0"},
          {"float", "camHeight", "3.0"},
          {"float", "camSmooth", "5.0"},
          {"bool", "firstPerson", "false"},
          {"float", "mouseSensitivity", "0.15"},
          {"entityref", "camTarget", "camera"}}},
        {"enemy.fs", {{"float", "patrolSpeed", "2.0"}, {"float", "chaseSpeed", "5.0"}, {"float", "detectRange", "8.0"}}},
        {"spinner.fs", {{"float", "spinSpeed", "90.0"}, {"float", "bobHeight", "0.3"}, {"float", "bobSpeed", "2.0"}}},
        {"platform.fs", {}},
    };
    for (const ScriptCase& c : cases) {
        std::string path = std::string(KORVANE_RESOURCES_DIR) + "/scripts/" + c.file;
        std::ifstream f(path);
        ASSERT_TRUE(f.good()) << path;
        std::stringstream buf;
        buf << f.rdbuf();
        const std::string text = buf.str();
        EXPECT_EQ(LeadingExports(text), c.exports) << c.file;
        EXPECT_NE(text.find("return function(self, dt)"), std::string::npos) << c.file;
        // Lines stay short and free of markers the script analyser flags.
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            EXPECT_LE(line.size(), 180u) << c.file;
            EXPECT_EQ(line.find("TODO"), std::string::npos) << c.file;
            EXPECT_EQ(line.find("print("), std::string::npos) << c.file;
        }
    }
}

}  // namespace
