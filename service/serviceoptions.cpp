#include "serviceoptions.h"

#include <cstdlib>
#include <string_view>

namespace {

bool parsePort(const std::string &text, int &port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::atoi(text.c_str());
    return port <= 65535;
}

} // namespace

const char *serviceUsage()
{
    return "Usage: nuvaservice [options]\n"
           "A local stand-in for the cloud-gaming service: the demo front end at / and the API under /gpfe/api/.\n"
           "\n"
           "  --bind ADDRESS   address to listen on (default 127.0.0.1)\n"
           "  --port PORT      port to listen on (default 8081; 0 picks a free one, printed at start)\n"
           "  --help           show this text\n";
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
            if (!parsePort(value, options.port)) {
                message = "not a port number: " + value;
                return ParseResult::Error;
            }
        } else {
            message = "unknown option: " + std::string(option);
            return ParseResult::Error;
        }
    }
    return ParseResult::Run;
}
