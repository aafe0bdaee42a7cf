#include "servicehandlers.h"

#include <httplib.h>

#include <cstdio>
#include <string>

extern const char kFrontEndPage[];

namespace {

const char kJson[] = "application/json; charset=utf-8";

// Escapes text for use inside a JSON string.
std::string jsonString(const std::string &text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void answerVersionQuery(const httplib::Request &, httplib::Response &response)
{
    // An empty "data" object tells the client that no newer version exists.
    response.set_content(R"({"code":0,"msg":"ok","data":{}})", kJson);
}

void answerOrderConfirmation(const httplib::Request &request, httplib::Response &response)
{
    const std::string order = request.get_param_value("uuid");
    response.set_content(
        R"({"code":0,"msg":"ok","data":{"orderComputer":{"nodeUuid":)" + jsonString("node-" + order) + "}}}", kJson);
}

} // namespace

void installServiceHandlers(httplib::Server &server, const ServiceOptions &)
{
    server.Get("/", [](const httplib::Request &, httplib::Response &response) {
        response.set_content(kFrontEndPage, "text/html; charset=utf-8");
    });
    // Where the demo page's registration link leads, in the system browser.
    server.Get("/register", [](const httplib::Request &, httplib::Response &response) {
        response.set_content("<!DOCTYPE html><meta charset=\"utf-8\"><title>注册</title><p>注册 (stand-in page)</p>",
            "text/html; charset=utf-8");
    });
    // The demo page calls this once it has talked to the client, so a headless run knows the page is up.
    server.Get("/demo/ready", [](const httplib::Request &, httplib::Response &response) { response.status = 204; });
    server.Get("/gpfe/api/clientversion/get_latest_version", answerVersionQuery);
    server.Get("/gpfe/api/order/confirm_connect", answerOrderConfirmation);

    server.set_logger([](const httplib::Request &request, const httplib::Response &response) {
        std::printf("%s %s %d\n", request.method.c_str(), request.target.c_str(), response.status);
        std::fflush(stdout);
    });
}
