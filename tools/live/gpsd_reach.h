// Why gpsd cannot be reached, in words a driver can act on. libgps's
// gps_open says only that it failed; this looks the address up and tries a
// connection itself to name the cause: "no gpsd at HOST:PORT: connection
// refused", "...: name or service not known", "...: connection timed out"
// (the system's words, lower case at the start).
#pragma once

#include <chrono>
#include <string>

namespace trezik::live {

// The text for a gpsd at `host`:`port` that gps_open could not reach. Waits
// at most `wait` for a connection. When the connection succeeds now (gpsd
// came meanwhile), says that it could not be opened.
std::string GpsdUnreached(const std::string& host, const std::string& port,
                          std::chrono::milliseconds wait = std::chrono::seconds(2));

}  // namespace trezik::live
