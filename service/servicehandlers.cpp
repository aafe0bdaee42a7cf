#include "servicehandlers.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

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

std::string versionAnswer(const ServiceOptions &options)
{
    // An empty "data" object tells the client that no newer version exists.
    if (options.updateUrl.empty())
        return R"({"code":0,"msg":"ok","data":{}})";
    return R"({"code":0,"msg":"ok","data":{"versionNo":"1.0.5","downloadUrl":)" + jsonString(options.updateUrl) + "}}";
}

std::string confirmationAnswer(const httplib::Request &request)
{
    const std::string order = request.get_param_value("uuid");
    return R"({"code":0,"msg":"ok","data":{"orderComputer":{"nodeUuid":)" + jsonString("node-" + order) + "}}}";
}

// A body that starts as an answer would and goes on with filler, written as the client reads it: bytes long, or
// without end (-1), until the client hangs up.
void flood(httplib::Response &response, long long bytes)
{
    static const std::string chunk = R"({"code":0,"data":{},"msg":")" + std::string(64 * 1024 - 27, 'x');
    const auto provide = [bytes](size_t offset, httplib::DataSink &sink) {
        const size_t left = bytes < 0 ? chunk.size() : std::min<size_t>(chunk.size(), size_t(bytes) - offset);
        return sink.write(chunk.data(), left);
    };
    if (bytes < 0)
        response.set_chunked_content_provider(kJson, [provide](size_t offset, httplib::DataSink &sink) {
            return provide(offset, sink);
        });
    else
        response.set_content_provider(size_t(bytes), kJson, [provide](size_t offset, size_t, httplib::DataSink &sink) {
            return provide(offset, sink);
        });
}

// Dresses an API answer as the options say: delayed, with another status or body, redirected, with a cookie.
void answer(const ServiceOptions &options, httplib::Response &response, const std::string &json)
{
    if (options.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
    if (!options.redirectTo.empty()) {
        response.status = 302;
        response.set_header("Location", options.redirectTo);
    }
    if (options.status != 0)
        response.status = options.status;
    if (!options.cookie.empty())
        response.set_header("Set-Cookie", options.cookie);
    if (options.floodBytes != 0) {
        flood(response, options.floodBytes);
        return;
    }
    response.set_content(options.replaceBody ? options.body : json, kJson);
}

} // namespace

void installServiceHandlers(httplib::Server &server, const ServiceOptions &options)
{
    server.Get("/", [options](const httplib::Request &, httplib::Response &response) {
        response.set_content(
            options.pagePath.empty() ? std::string(kFrontEndPage) : options.page, "text/html; charset=utf-8");
    });
    // Where the demo page's registration link leads, in the system browser.
    server.Get("/register", [](const httplib::Request &, httplib::Response &response) {
        response.set_content("<!DOCTYPE html><meta charset=\"utf-8\"><title>注册</title><p>注册 (stand-in page)</p>",
            "text/html; charset=utf-8");
    });
    // The demo page calls this once it has talked to the client, so a headless run knows the page is up.
    server.Get("/demo/ready", [](const httplib::Request &, httplib::Response &response) { response.status = 204; });
    server.Get(
        "/gpfe/api/clientversion/get_latest_version", [options](const httplib::Request &, httplib::Response &response) {
            answer(options, response, versionAnswer(options));
        });
    server.Get(
        "/gpfe/api/order/confirm_connect", [options](const httplib::Request &request, httplib::Response &response) {
            answer(options, response, confirmationAnswer(request));
        });

    server.set_logger([](const httplib::Request &request, const httplib::Response &response) {
        std::printf("%s %s %d\n", request.method.c_str(), request.target.c_str(), response.status);
        std::fflush(stdout);
    });
}
