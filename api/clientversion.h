#pragma once

// The client's version: sent to the service by the update check and handed to the page by the bridge.
inline constexpr char kClientVersion[] = NUVA_CLIENT_VERSION;
