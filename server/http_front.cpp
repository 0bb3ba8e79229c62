#include "http_front.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace zivron::service {
namespace {

using Clock = std::chrono::steady_clock;

enum class Head { Incomplete, Complete, LineTooLong, HeadersTooLarge, Bad };

struct ParsedHead {
    Head state = Head::Incomplete;
    std::size_t length = 0;  // bytes of the request line and headers, the blank line included
    std::string method, target;
    bool keep_alive = true;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Reads what has arrived so far, judging each limit as soon as the bytes allow.
ParsedHead ParseHead(std::string_view in, const FrontLimits& limits) {
    ParsedHead out;
    std::size_t eol = in.find('\n');
    if (eol == std::string_view::npos) {
        out.state = in.size() > limits.max_request_line ? Head::LineTooLong : Head::Incomplete;
        return out;
    }
    if (eol > limits.max_request_line) {
        out.state = Head::LineTooLong;
        return out;
    }
    std::string_view line = TrimSpaces(in.substr(0, eol));
    std::size_t sp1 = line.find(' ');
    std::size_t sp2 = line.rfind(' ');
    if (sp1 == std::string_view::npos || sp2 == sp1) {
        out.state = Head::Bad;
        return out;
    }
    out.method = std::string(line.substr(0, sp1));
    out.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
    const std::string_view version = line.substr(sp2 + 1);
    out.keep_alive = version == "HTTP/1.1";
    std::size_t at = eol + 1;
    std::size_t headers = 0;
    while (true) {
        if (at - eol - 1 > limits.max_header_bytes) {
            out.state = Head::HeadersTooLarge;
            return out;
        }
        std::size_t next = in.find('\n', at);
        if (next == std::string_view::npos) {
            const bool too_long = in.size() - at > limits.max_header_line ||
                                  in.size() - eol - 1 > limits.max_header_bytes;
            out.state = too_long ? Head::HeadersTooLarge : Head::Incomplete;
            return out;
        }
        std::string_view h = TrimSpaces(in.substr(at, next - at));
        if (next - at > limits.max_header_line) {
            out.state = Head::HeadersTooLarge;
            return out;
        }
        at = next + 1;
        if (h.empty()) {
            out.length = at;
            out.state = Head::Complete;
            return out;
        }
        if (++headers > limits.max_headers) {
            out.state = Head::HeadersTooLarge;
            return out;
        }
        std::size_t colon = h.find(':');
        if (colon == std::string_view::npos) {
            out.state = Head::Bad;
            return out;
        }
        std::string_view name = h.substr(0, colon);
        std::string_view value = TrimSpaces(h.substr(colon + 1));
        if (EqualsNoCase(name, "Connection")) {
            if (EqualsNoCase(value, "close")) {
                out.keep_alive = false;
            } else if (EqualsNoCase(value, "keep-alive")) {
                out.keep_alive = true;
            }
        } else if ((EqualsNoCase(name, "Content-Length") && value != "0") ||
                   EqualsNoCase(name, "Transfer-Encoding")) {
            out.state = Head::Bad;  // the pages take no body
            return out;
        }
    }
}

const char* StatusText(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 414:
            return "URI Too Long";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Internal Server Error";
    }
}

std::string Format(const HttpResponse& r, bool keep_alive) {
    std::string out = "HTTP/1.1 " + std::to_string(r.status) + " " + StatusText(r.status) +
                      "\r\nContent-Type: text/plain; charset=windows-1255\r\nContent-Length: " +
                      std::to_string(r.body.size()) + "\r\nCache-Control: no-store\r\n" +
                      (keep_alive ? "" : "Connection: close\r\n") + "\r\n";
    return out + r.body;
}

struct Job {
    std::uint64_t conn = 0;
    HttpRequest request;
};

struct Done {
    std::uint64_t conn = 0;
    HttpResponse response;
};

struct LaneState {
    std::size_t cap = 0;
    std::deque<Job> queue;
    std::mutex mu;
    std::condition_variable ready;
    std::vector<std::thread> threads;
};

enum class ConnState { Reading, Waiting, Writing };

struct Conn {
    int fd = -1;
    std::string client;
    std::string in;
    std::string out;
    std::size_t out_at = 0;
    ConnState state = ConnState::Reading;
    Clock::time_point deadline;
    bool keep_alive = true;
};

}  // namespace

struct HttpFront::Impl {
    FrontLimits limits;
    Router router;
    Handler handler;
    HttpResponse busy;
    std::vector<std::unique_ptr<LaneState>> lanes;

    int listen_fd = -1;
    int wake_fd = -1;
    std::atomic<bool> stopping{false};

    std::mutex done_mu;
    std::vector<Done> done;

    std::map<std::uint64_t, Conn> conns;
    std::map<std::string, std::size_t> per_address;
    std::uint64_t next_id = 1;

    void Wake() {
        std::uint64_t one = 1;
        (void)!::write(wake_fd, &one, sizeof one);
    }

    void Work(LaneState& lane) {
        while (true) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(lane.mu);
                lane.ready.wait(lock, [&] { return stopping || !lane.queue.empty(); });
                if (stopping) {
                    return;
                }
                job = std::move(lane.queue.front());
                lane.queue.pop_front();
            }
            HttpResponse r = handler(job.request);
            {
                std::lock_guard<std::mutex> lock(done_mu);
                done.push_back({job.conn, std::move(r)});
            }
            Wake();
        }
    }

    void Close(std::uint64_t id) {
        auto it = conns.find(id);
        if (it == conns.end()) {
            return;
        }
        ::close(it->second.fd);
        if (--per_address[it->second.client] == 0) {
            per_address.erase(it->second.client);
        }
        conns.erase(it);
    }

    void Respond(Conn& c, const HttpResponse& r, bool keep_alive) {
        c.keep_alive = keep_alive;
        c.out = Format(r, keep_alive);
        c.out_at = 0;
        c.state = ConnState::Writing;
        c.deadline = Clock::now() + limits.request_deadline;
    }

    // A whole request in the buffer goes to its lane; a broken or oversized one is answered and
    // the connection closes after it.
    void TryRequest(std::uint64_t id, Conn& c) {
        ParsedHead head = ParseHead(c.in, limits);
        switch (head.state) {
            case Head::Incomplete:
                return;
            case Head::LineTooLong:
                c.in.clear();
                return Respond(c, {414, ""}, false);
            case Head::HeadersTooLarge:
                c.in.clear();
                return Respond(c, {431, ""}, false);
            case Head::Bad:
                c.in.clear();
                return Respond(c, {400, ""}, false);
            case Head::Complete:
                break;
        }
        c.in.erase(0, head.length);
        c.keep_alive = head.keep_alive;
        if (head.method != "GET") {
            return Respond(c, {405, ""}, false);
        }
        HttpRequest request{head.target, c.client};
        LaneState& lane = *lanes[std::min(router(request), lanes.size() - 1)];
        {
            std::lock_guard<std::mutex> lock(lane.mu);
            if (lane.queue.size() >= lane.cap) {
                return Respond(c, busy, c.keep_alive);
            }
            lane.queue.push_back({id, std::move(request)});
        }
        lane.ready.notify_one();
        c.state = ConnState::Waiting;
    }

    void Accept() {
        while (true) {
            sockaddr_storage addr{};
            socklen_t len = sizeof addr;
            int fd = ::accept4(listen_fd, reinterpret_cast<sockaddr*>(&addr), &len,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                return;
            }
            char text[INET6_ADDRSTRLEN] = "?";
            if (addr.ss_family == AF_INET) {
                ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&addr)->sin_addr, text,
                            sizeof text);
            } else if (addr.ss_family == AF_INET6) {
                ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&addr)->sin6_addr, text,
                            sizeof text);
            }
            std::string client = text;
            // Past the caps the connection is closed at once: one address cannot take them all.
            if (conns.size() >= limits.max_connections ||
                per_address[client] >= limits.max_per_address) {
                if (per_address[client] == 0) {
                    per_address.erase(client);
                }
                ::close(fd);
                continue;
            }
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            ++per_address[client];
            Conn c;
            c.fd = fd;
            c.client = client;
            c.deadline = Clock::now() + limits.request_deadline;
            conns.emplace(next_id++, std::move(c));
        }
    }

    void Read(std::uint64_t id, Conn& c) {
        char buf[8192];
        while (true) {
            ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
            if (n > 0) {
                c.in.append(buf, static_cast<std::size_t>(n));
                // Never more than one request's worth is held.
                if (c.in.size() > limits.max_request_line + limits.max_header_bytes + 2) {
                    break;
                }
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return Close(id);
            }
            if (errno != EINTR) {
                break;
            }
        }
        TryRequest(id, c);
    }

    void Write(std::uint64_t id, Conn& c) {
        while (c.out_at < c.out.size()) {
            ssize_t n =
                ::send(c.fd, c.out.data() + c.out_at, c.out.size() - c.out_at, MSG_NOSIGNAL);
            if (n > 0) {
                c.out_at += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                return;
            }
            return Close(id);
        }
        if (!c.keep_alive) {
            return Close(id);
        }
        c.out.clear();
        c.state = ConnState::Reading;
        c.deadline = Clock::now() + limits.request_deadline;
        TryRequest(id, c);  // a request that arrived behind the last one
    }

    void Deliver() {
        std::uint64_t drained = 0;
        (void)!::read(wake_fd, &drained, sizeof drained);
        std::vector<Done> ready;
        {
            std::lock_guard<std::mutex> lock(done_mu);
            ready.swap(done);
        }
        for (Done& d : ready) {
            auto it = conns.find(d.conn);
            if (it != conns.end() && it->second.state == ConnState::Waiting) {
                Respond(it->second, d.response, it->second.keep_alive);
                Write(d.conn, it->second);
            }
        }
    }

    void Loop() {
        std::vector<pollfd> fds;
        std::vector<std::uint64_t> ids;
        while (!stopping) {
            fds.clear();
            ids.clear();
            fds.push_back({wake_fd, POLLIN, 0});
            fds.push_back({listen_fd, POLLIN, 0});
            const auto now = Clock::now();
            auto next = now + std::chrono::seconds(1);
            for (auto it = conns.begin(); it != conns.end();) {
                Conn& c = it->second;
                const std::uint64_t id = it->first;
                ++it;
                if (c.state != ConnState::Waiting && c.deadline <= now) {
                    Close(id);  // too slow, or idle too long
                    continue;
                }
                if (c.state == ConnState::Waiting) {
                    continue;
                }
                next = std::min(next, c.deadline);
                fds.push_back({c.fd,
                               static_cast<short>(c.state == ConnState::Reading ? POLLIN : POLLOUT),
                               0});
                ids.push_back(id);
            }
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
            if (::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(wait, 0)) + 1) <
                0) {
                if (errno == EINTR) {
                    continue;
                }
                break;
            }
            if (fds[0].revents != 0) {
                Deliver();
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (fds[i].revents == 0) {
                    continue;
                }
                auto it = conns.find(ids[i - 2]);
                if (it == conns.end()) {
                    continue;
                }
                if (it->second.state == ConnState::Reading) {
                    Read(ids[i - 2], it->second);
                } else if (it->second.state == ConnState::Writing) {
                    Write(ids[i - 2], it->second);
                }
            }
            if (fds[1].revents != 0) {
                Accept();
            }
        }
    }
};

HttpFront::HttpFront(FrontLimits limits, std::vector<Lane> lanes, Router router, Handler handler,
                     HttpResponse busy)
    : impl_(new Impl) {
    impl_->limits = limits;
    impl_->router = std::move(router);
    impl_->handler = std::move(handler);
    impl_->busy = std::move(busy);
    for (const Lane& l : lanes) {
        auto state = std::make_unique<LaneState>();
        state->cap = l.queue;
        for (int t = 0; t < std::max(1, l.threads); ++t) {
            state->threads.emplace_back();
        }
        impl_->lanes.push_back(std::move(state));
    }
    impl_->wake_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

HttpFront::~HttpFront() {
    for (auto& [id, c] : impl_->conns) {
        ::close(c.fd);
    }
    if (impl_->listen_fd >= 0) {
        ::close(impl_->listen_fd);
    }
    ::close(impl_->wake_fd);
    delete impl_;
}

int HttpFront::Listen(const std::string& address, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1) {
        return -1;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 256) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    impl_->listen_fd = fd;
    return ntohs(addr.sin_port);
}

void HttpFront::Run() {
    for (auto& lane : impl_->lanes) {
        for (std::thread& t : lane->threads) {
            LaneState* l = lane.get();
            t = std::thread([this, l] { impl_->Work(*l); });
        }
    }
    impl_->Loop();
    impl_->stopping = true;
    for (auto& lane : impl_->lanes) {
        { std::lock_guard<std::mutex> lock(lane->mu); }
        lane->ready.notify_all();
        for (std::thread& t : lane->threads) {
            if (t.joinable()) {
                t.join();
            }
        }
    }
}

void HttpFront::Stop() {
    impl_->stopping = true;
    impl_->Wake();
}

}  // namespace zivron::service
