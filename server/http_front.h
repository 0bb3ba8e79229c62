#pragma once
// The service's HTTP/1.1 front on libmicrohttpd: its epoll threads hold every connection, so an
// idle or slow client holds no worker; a request must arrive whole (request line and headers)
// within a deadline; its line, each header, all headers and their number are capped. Complete
// requests go to small worker pools ("lanes"), each with a bounded queue, their connections
// suspended meanwhile.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zivron::service {

struct FrontLimits {
    std::size_t max_request_line = 4096;
    std::size_t max_header_line = 4096;
    std::size_t max_headers = 100;
    std::size_t max_header_bytes = 16384;              // all headers of one request together
    std::chrono::milliseconds request_deadline{5000};  // a whole request, or the next one
    std::size_t max_connections = 2048;
    std::size_t max_per_address = 16;
    // The address of a proxy in front (nginx): its requests carry the client's own address in
    // X-Forwarded-For. Empty: no proxy is believed.
    std::string proxy;
};

struct HttpRequest {
    std::string target;  // "/KoreMosadot.asp?Mis=1"
    std::string client;  // the peer's address
};

struct HttpResponse {
    HttpResponse(int status_code, std::string bytes)
        : status(status_code), body(std::move(bytes)) {}
    int status = 200;
    std::string body;  // bytes as they go on the wire
    // More bytes after the body, a part a call as the client reads: "" at the end, nothing
    // when a part cannot be had (the connection ends without the answer's end).
    std::function<std::optional<std::string>()> more;
};

// A pool of worker threads for one kind of request, and how many may wait for it.
struct Lane {
    int threads = 1;
    std::size_t queue = 64;
};

class HttpFront {
  public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;
    // Which lane a request goes to (an index into `lanes`).
    using Router = std::function<std::size_t(const HttpRequest&)>;

    // `busy` answers a request whose lane is full.
    HttpFront(FrontLimits limits, std::vector<Lane> lanes, Router router, Handler handler,
              HttpResponse busy);
    ~HttpFront();

    // The port it listens on (the one given, or a free one for 0); -1 when it cannot listen.
    int Listen(const std::string& address, int port);
    // Serves until Stop; returns when every worker has finished.
    void Run();
    void Stop();  // safe from a signal handler

  private:
    struct Impl;
    Impl* impl_;
};

}  // namespace zivron::service
