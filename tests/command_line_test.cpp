// Commands at the process entry: a table of options, the help, and the
// editor starting as before when no option is given.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/legacy/base/CommandLine.h"

namespace {

std::vector<std::string> g_seen;

int RecordRun(int argc, char** argv) {
    g_seen.assign(argv, argv + argc);
    return 7;
}

const CommandOption kTable[] = {
    {"--build", "--build <projectDir>", "build it", RecordRun},
    {"--import", "--import <file>", "import it", RecordRun},
};

struct Outcome {
    bool handled;
    int code;
    std::string out, err;
};

Outcome Dispatch(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    Outcome o{};
    o.code = -100;
    o.handled = DispatchCommandLine(static_cast<int>(args.size()), argv.data(), kTable, 2, &o.code, out, err);
    auto slurp = [](FILE* f) {
        std::string s;
        rewind(f);
        for (int c; (c = fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
        fclose(f);
        return s;
    };
    o.out = slurp(out);
    o.err = slurp(err);
    return o;
}

TEST(CommandLine, DispatchTable) {
    struct Case {
        std::vector<std::string> args;
        bool handled;
        int code;
        bool helpOnOut, helpOnErr;
    } cases[] = {
        {{"korvane"}, false, -100, false, false},                    // no argument: the editor
        {{"korvane", "project"}, false, -100, false, false},         // not an option: the editor as before
        {{"korvane", "--help"}, true, 0, true, false},
        {{"korvane", "-h"}, true, 0, true, false},
        {{"korvane", "--bogus"}, true, 2, false, true},              // unknown: help on stderr, 2
        {{"korvane", "--buildx", "p"}, true, 2, false, true},        // no prefix matching
        {{"korvane", "--build", "p", "--run"}, true, 7, false, false},
        {{"korvane", "--import", "f"}, true, 7, false, false},
    };
    for (const Case& c : cases) {
        g_seen.clear();
        Outcome o = Dispatch(c.args);
        std::string label = c.args.size() > 1 ? c.args[1] : "(none)";
        EXPECT_EQ(o.handled, c.handled) << label;
        EXPECT_EQ(o.code, c.code) << label;
        EXPECT_EQ(o.out.find("--build <projectDir>") != std::string::npos, c.helpOnOut) << label;
        EXPECT_EQ(o.err.find("--build <projectDir>") != std::string::npos, c.helpOnErr) << label;
    }
    Dispatch({"korvane", "--build", "p", "--run"});
    EXPECT_EQ(g_seen, (std::vector<std::string>{"--build", "p", "--run"}));
}

TEST(CommandLine, HelpListsEveryRowAndTheEditor) {
    std::string help = CommandLineHelp("/usr/bin/korvane", kTable, 2);
    EXPECT_NE(help.find("korvane --build <projectDir>"), std::string::npos);
    EXPECT_NE(help.find("korvane --import <file>"), std::string::npos);
    EXPECT_NE(help.find("import it"), std::string::npos);
    EXPECT_NE(help.find("--help"), std::string::npos);
    EXPECT_NE(help.find("start the editor"), std::string::npos);
    EXPECT_EQ(help.find("/usr/bin"), std::string::npos);
}

} // namespace
