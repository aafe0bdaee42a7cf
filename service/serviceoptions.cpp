#include "serviceoptions.h"

#include <cstdlib>
#include <string_view>

namespace {

bool parseNumber(const std::string &text, int maximum, int &number)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = std::atoi(text.c_str());
    return number <= maximum;
}

} // namespace

const char *serviceUsage()
{
    return "Usage: nuvaservice [options]\n"
           "A local stand-in for the cloud-gaming service: the demo front end at / and the API under /gpfe/api/.\n"
           "\n"
           "  --bind ADDRESS       address to listen on (default 127.0.0.1)\n"
           "  --port PORT          port to listen on (default 8081; 0 picks a free one, printed at start)\n"
           "  --page FILE          serve FILE at / instead of the demo front end (read once, at start)\n"
           "  --cert FILE          serve over TLS with the certificate in FILE (PEM; with --key)\n"
           "  --key FILE           the certificate's private key (PEM; with --cert)\n"
           "\n"
           "What the API answers (the demo page is never affected):\n"
           "  --offer-update URL   the version query offers an update to download from URL\n"
           "                       (by default it offers none: an empty \"data\" object)\n"
           "  --delay MS           wait MS milliseconds before each answer\n"
           "  --status CODE        answer with HTTP status CODE, the body unchanged\n"
           "  --body TEXT          answer with exactly TEXT as the body (not JSON, invalid UTF-8, empty...)\n"
           "  --redirect URL       answer with a 302 redirect to URL\n"
           "  --set-cookie TEXT    send Set-Cookie: TEXT with each answer\n"
           "  --flood BYTES        answer with a body of BYTES bytes (announced in Content-Length), or with\n"
           "                       one without end for \"endless\", until the client hangs up\n"
           "\n"
           "  --help               show this text\n";
}

ParseResult parseServiceOptions(int argc, char *argv[], ServiceOptions &options, std::string &message)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h")
            return ParseResult::Help;

        if (i + 1 >= argc) {
            message = "unknown option or missing value: " + std::string(option);
            return ParseResult::Error;
        }
        const std::string value = argv[++i];
        if (option == "--bind") {
            options.bindAddress = value;
        } else if (option == "--port") {
            if (!parseNumber(value, 65535, options.port)) {
                message = "not a port number: " + value;
                return ParseResult::Error;
            }
        } else if (option == "--page") {
            options.pagePath = value;
        } else if (option == "--cert") {
            options.certificatePath = value;
        } else if (option == "--key") {
            options.keyPath = value;
        } else if (option == "--offer-update") {
            options.updateUrl = value;
        } else if (option == "--delay") {
            if (!parseNumber(value, 600000, options.delayMs)) {
                message = "not a delay in milliseconds: " + value;
                return ParseResult::Error;
            }
        } else if (option == "--status") {
            if (!parseNumber(value, 599, options.status) || options.status < 100) {
                message = "not an HTTP status: " + value;
                return ParseResult::Error;
            }
        } else if (option == "--body") {
            options.body = value;
            options.replaceBody = true;
        } else if (option == "--redirect") {
            options.redirectTo = value;
        } else if (option == "--set-cookie") {
            options.cookie = value;
        } else if (option == "--flood") {
            int bytes = 0;
            if (value == "endless") {
                options.floodBytes = -1;
            } else if (parseNumber(value, 999999999, bytes) && bytes > 0) {
                options.floodBytes = bytes;
            } else {
                message = "not a size in bytes, nor endless: " + value;
                return ParseResult::Error;
            }
        } else {
            message = "unknown option: " + std::string(option);
            return ParseResult::Error;
        }
    }
    if (options.certificatePath.empty() != options.keyPath.empty()) {
        message = "--cert and --key go together";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}
