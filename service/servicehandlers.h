#pragma once

#include "serviceoptions.h"

namespace httplib {
class Server;
}

// Serves the demo front end and answers the API as the options say, writing one line per request to stdout.
void installServiceHandlers(httplib::Server &server, const ServiceOptions &options);
