#pragma once
// The one web request of the program: a plain GET of base + "/" + page-and-query.

#include <string>
#include <string_view>

namespace zivron {

// $ZIVRON_SERVICE_URL when set, else the companion service on loopback.
std::string ServiceBaseAddress();

inline constexpr const char* kDefaultServiceAddress = "http://127.0.0.1:8765";

// A value inside a query, so it travels whole: "&", "=", "%", "#" and "+" percent-encoded (the
// service decodes them, as any web server does).
std::string QueryValue(std::string_view value);

// The request address as it goes on the wire: the text in Windows-1255, with spaces, controls,
// bytes above 127 and the few characters an address cannot carry ("%", "#", quotes, brackets)
// percent-encoded; "&", "=", "*" and "+" go as they are, and so does an escape QueryValue made.
std::string RequestAddress(std::string_view base, std::string_view page_and_query);

// The reply body decoded from Windows-1255, or "" on any failure: no connection, a time-out, an
// HTTP error or redirect, a body over 4 MB.
std::string FetchPage(std::string_view base, std::string_view page_and_query);

}  // namespace zivron
