// nuvaservice: a local stand-in for the cloud-gaming service, so the client runs end to end on one machine.

#include "servicehandlers.h"
#include "serviceoptions.h"

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/socket.h>
#include <thread>

namespace {

bool readWholeFile(const std::string &path, std::string &content)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    content = text.str();
    return file.good() || file.eof();
}

} // namespace

int main(int argc, char *argv[])
{
    ServiceOptions options;
    std::string message;
    switch (parseServiceOptions(argc, argv, options, message)) {
    case ParseResult::Help:
        std::fputs(serviceUsage(), stdout);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "nuvaservice: %s\n%s", message.c_str(), serviceUsage());
        return 2;
    case ParseResult::Run:
        break;
    }
    if (!options.pagePath.empty() && !readWholeFile(options.pagePath, options.page)) {
        std::fprintf(stderr, "nuvaservice: cannot read %s: %s\n", options.pagePath.c_str(), std::strerror(errno));
        return 2;
    }

    // SIGINT and SIGTERM are taken by sigwait below, never by a handler that could interrupt the server mid-request.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const bool tls = !options.certificatePath.empty();
    std::unique_ptr<httplib::Server> tlsOrPlain;
    if (tls)
        tlsOrPlain = std::make_unique<httplib::SSLServer>(options.certificatePath.c_str(), options.keyPath.c_str());
    else
        tlsOrPlain = std::make_unique<httplib::Server>();
    httplib::Server &server = *tlsOrPlain;
    if (!server.is_valid()) {
        std::fprintf(stderr, "nuvaservice: cannot serve TLS with %s and %s\n", options.certificatePath.c_str(),
            options.keyPath.c_str());
        return 2;
    }
    installServiceHandlers(server, options);
    // The library's default adds SO_REUSEPORT, which would let a second service share the port silently.
    server.set_socket_options([](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    errno = 0;
    int port = options.port;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(options.bindAddress)) > 0
                                 : server.bind_to_port(options.bindAddress, port);
    if (!bound) {
        std::fprintf(stderr, "nuvaservice: cannot listen on %s:%d: %s\n", options.bindAddress.c_str(), options.port,
            errno == EADDRINUSE ? "the port is already in use" : std::strerror(errno ? errno : EINVAL));
        return 1;
    }
    std::atomic<bool> ended{false};
    std::thread serving([&server, &ended] {
        server.listen_after_bind();
        ended = true;
    });
    // stop() does nothing to a server whose loop has not started yet, so a signal must not be taken before then.
    while (!server.is_running() && !ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (ended) {
        serving.join();
        std::fprintf(stderr, "nuvaservice: the server stopped at once\n");
        return 1;
    }
    std::printf("nuvaservice listening on %s://%s:%d/\n", tls ? "https" : "http", options.bindAddress.c_str(), port);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    serving.join();
    std::printf("nuvaservice stopped\n");
    return 0;
}
