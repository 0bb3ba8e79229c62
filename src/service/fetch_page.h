#pragma once
// The one web request of the program: a plain GET of base + "/" + page-and-query.

#include <string>
#include <string_view>

namespace zivron {

// $ZIVRON_SERVICE_URL when set, else the companion service on loopback.
std::string ServiceBaseAddress();

inline constexpr const char* kDefaultServiceAddress = "http://127.0.0.1:8765";

// How long one request may take at most.
inline constexpr long kRequestTimeoutMs = 8000;

// A request to `base` would cross the network unencrypted: http:// to a host other than this
// computer's loopback, and $ZIVRON_ALLOW_HTTP is not "1". Such a request is never sent.
bool SendsInTheClear(std::string_view base);

// A value inside a query, so it travels whole: "&", "=", "%", "#" and "+" percent-encoded (the
// service decodes them, as any web server does).
std::string QueryValue(std::string_view value);

// The request address as it goes on the wire: the text in Windows-1255, with spaces, controls,
// bytes above 127 and the few characters an address cannot carry ("%", "#", quotes, brackets)
// percent-encoded; "&", "=", "*" and "+" go as they are, and so does an escape QueryValue made.
std::string RequestAddress(std::string_view base, std::string_view page_and_query);

// The reply body decoded from Windows-1255, or "" on any failure: no connection, a time-out
// (`timeout_ms`), an HTTP error or redirect, a body over 4 MB, a certificate not trusted (the
// system's authorities, or $ZIVRON_SERVICE_CA alone when set), a request in the clear.
std::string FetchPage(std::string_view base, std::string_view page_and_query,
                      long timeout_ms = kRequestTimeoutMs);

}  // namespace zivron
