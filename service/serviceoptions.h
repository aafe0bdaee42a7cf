#pragma once

#include <string>

// What the stand-in service answers, chosen on its command line so that demos and tests can stage each case.
struct ServiceOptions
{
    std::string bindAddress = "127.0.0.1";
    int port = 8081; // 0 picks a free port, printed at start
    std::string pagePath; // non-empty: serve this file at / instead of the demo front end
    std::string page; // that file's content, read at start
    // Both non-empty: serve over TLS with this certificate (PEM, the chain up to its authority) and its key.
    std::string certificatePath;
    std::string keyPath;

    // What the two API endpoints answer; the demo page at / is never affected.
    std::string updateUrl; // non-empty: the version query offers an update with this download address
    int delayMs = 0; // wait this long before answering
    int status = 0; // answer with this HTTP status (0: 200, or 302 with a redirect)
    std::string body; // answer with exactly this body instead of the JSON
    bool replaceBody = false; // whether body was given (it may be empty)
    std::string redirectTo; // non-empty: answer with a redirect to this address
    std::string cookie; // non-empty: set this cookie with every answer
    // Answer with a body of this many bytes, announced in Content-Length (0: none of that; -1: a body without end).
    long long floodBytes = 0;
};

enum class ParseResult { Run, Help, Error };

// Reads the command line into options; on Error, message says what was wrong.
ParseResult parseServiceOptions(int argc, char *argv[], ServiceOptions &options, std::string &message);

const char *serviceUsage();
