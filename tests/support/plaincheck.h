#pragma once

// A few lines of test harness for programs that cannot use QtTest: the Windows checks are cross-compiled without Qt
// and run under Wine. Each PLAIN_TEST runs once; CHECK records a failure with its place and goes on.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace PlainCheck {

inline int &failures()
{
    static int count = 0;
    return count;
}

inline std::vector<std::pair<const char *, void (*)()>> &tests()
{
    static std::vector<std::pair<const char *, void (*)()>> all;
    return all;
}

struct Registration
{
    Registration(const char *name, void (*test)()) { tests().emplace_back(name, test); }
};

inline void fail(const char *what, const char *file, int line, const std::string &detail = std::string())
{
    std::printf("   failed: %s%s%s\n   at %s:%d\n", what, detail.empty() ? "" : "\n   ", detail.c_str(), file, line);
    ++failures();
}

// Runs every test in the order they were defined and prints a line for each, QtTest-style; 0 when all passed.
inline int runAll(const char *programName)
{
    int failed = 0;
    for (const auto &[name, test] : tests()) {
        const int before = failures();
        test();
        const bool passed = failures() == before;
        failed += !passed;
        std::printf("%s: %s::%s()\n", passed ? "PASS   " : "FAIL!  ", programName, name);
    }
    std::printf("Totals: %d passed, %d failed\n", int(tests().size()) - failed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace PlainCheck

#define PLAIN_TEST(name)                                                                                               \
    static void name();                                                                                                \
    static const PlainCheck::Registration name##Registration(#name, &name);                                            \
    static void name()

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            PlainCheck::fail(#condition, __FILE__, __LINE__);                                                          \
    } while (false)

// Compares two texts (std::string, or what converts to one) and shows both when they differ.
#define CHECK_TEXT(actual, expected)                                                                                   \
    do {                                                                                                               \
        const std::string actualText = (actual);                                                                       \
        const std::string expectedText = (expected);                                                                   \
        if (actualText != expectedText)                                                                                \
            PlainCheck::fail(#actual " == " #expected, __FILE__, __LINE__,                                             \
                "actual \"" + actualText + "\", expected \"" + expectedText + "\"");                                   \
    } while (false)
