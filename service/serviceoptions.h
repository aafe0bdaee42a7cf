#pragma once

#include <string>

// What the stand-in service answers, chosen on its command line so that demos and tests can stage each case.
struct ServiceOptions
{
    std::string bindAddress = "127.0.0.1";
    int port = 8081; // 0 picks a free port, printed at start
};

enum class ParseResult { Run, Help, Error };

// Reads the command line into options; on Error, message says what was wrong.
ParseResult parseServiceOptions(int argc, char *argv[], ServiceOptions &options, std::string &message);

const char *serviceUsage();
