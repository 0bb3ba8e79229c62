#include "http_front.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace zivron::service {
namespace {

using Clock = std::chrono::steady_clock;

// One request from its first line to its answer. libmicrohttpd hands the raw target to the
// URI callback, before it splits and decodes the query; the pages read the query as sent.
struct Exchange {
    HttpRequest request;
    MHD_Connection* connection = nullptr;
    bool queued = false;
    std::optional<HttpResponse> answer;  // set by a lane's worker
};

// What the deadline watch knows of one connection.
struct Watched {
    int fd = -1;
    Clock::time_point since;  // the start of the request awaited
    bool whole = false;       // the request has arrived; its answer is no longer the client's
};

std::string AddressOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[INET6_ADDRSTRLEN] = "";
    if (info == nullptr || info->client_addr == nullptr) {
        return text;
    }
    const sockaddr* a = info->client_addr;
    if (a->sa_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, text, sizeof text);
    } else if (a->sa_family == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr, text,
                    sizeof text);
    }
    return text;
}

// "http://host:port/page?q" asks for "/page?q" as a proxy would pass it.
std::string OriginForm(std::string target) {
    for (const char* scheme : {"http://", "https://"}) {
        const std::size_t n = std::strlen(scheme);
        if (target.size() > n && strncasecmp(target.c_str(), scheme, n) == 0) {
            const std::size_t path = target.find('/', n);
            return path == std::string::npos ? "/" : target.substr(path);
        }
    }
    return target;
}

// What the library accepts and a strict reading of HTTP/1.1 does not: a name with a space or a
// control in it (a space before the colon would hide a Content-Length), a control in a value.
bool HeaderIsClean(std::string_view name, std::string_view value) {
    if (name.empty()) {
        return false;
    }
    for (unsigned char c : name) {
        if (c <= 32 || c >= 127 || c == ':') {
            return false;
        }
    }
    for (unsigned char c : value) {
        if ((c < 32 && c != '\t') || c == 127) {
            return false;
        }
    }
    return true;
}

// A reply given a part at a time: the library asks for bytes as the socket takes them.
constexpr std::size_t kStreamBlock = 16 * 1024;

struct Stream {
    std::string pending;
    std::function<std::optional<std::string>()> more;
    std::size_t at = 0;
    bool ended = false;

    static ssize_t Read(void* cls, std::uint64_t, char* out, std::size_t max) {
        auto* s = static_cast<Stream*>(cls);
        while (s->at == s->pending.size()) {
            if (s->ended) {
                return MHD_CONTENT_READER_END_OF_STREAM;
            }
            std::optional<std::string> part = s->more();
            if (!part) {
                return MHD_CONTENT_READER_END_WITH_ERROR;
            }
            s->ended = part->empty();
            s->pending = std::move(*part);
            s->at = 0;
        }
        const std::size_t n = std::min(max, s->pending.size() - s->at);
        std::memcpy(out, s->pending.data() + s->at, n);
        s->at += n;
        return static_cast<ssize_t>(n);
    }
    static void Free(void* cls) { delete static_cast<Stream*>(cls); }
};

struct HeaderCheck {
    std::size_t count = 0;
    std::size_t longest = 0;
    bool clean = true;
};

MHD_Result CountHeader(void* cls, MHD_ValueKind, const char* key, size_t key_size,
                       const char* value, size_t value_size) {
    auto* check = static_cast<HeaderCheck*>(cls);
    ++check->count;
    check->longest = std::max(check->longest, key_size + value_size + 2);
    check->clean = check->clean && HeaderIsClean(std::string_view(key, key_size),
                                                 std::string_view(value ? value : "", value_size));
    return MHD_YES;
}

}  // namespace

struct HttpFront::Impl {
    FrontLimits limits;
    std::vector<Lane> lanes;
    Router router;
    Handler handler;
    HttpResponse busy{200, "busy"};
    MHD_Daemon* daemon = nullptr;

    struct Queue {
        std::mutex mutex;
        std::condition_variable ready;
        std::deque<Exchange*> waiting;
    };
    std::vector<std::unique_ptr<Queue>> queues;
    std::vector<std::thread> workers;
    std::thread watch;
    bool stopping = false;  // under stop_mutex
    std::mutex stop_mutex;
    std::condition_variable stopped;
    std::atomic<bool> stop_asked{false};

    std::mutex watched_mutex;
    std::map<MHD_Connection*, Watched> watched;

    static MHD_Result Answer(MHD_Connection* connection, const HttpResponse& r, bool close) {
        MHD_Response* response =
            r.more
                ? MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kStreamBlock, &Stream::Read,
                                                    new Stream{r.body, r.more}, &Stream::Free)
                : MHD_create_response_from_buffer(r.body.size(), const_cast<char*>(r.body.data()),
                                                  MHD_RESPMEM_MUST_COPY);
        if (response == nullptr) {
            return MHD_NO;
        }
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                                "text/plain; charset=windows-1255");
        if (close) {
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
        }
        const MHD_Result queued =
            MHD_queue_response(connection, static_cast<unsigned>(r.status), response);
        MHD_destroy_response(response);
        return queued;
    }

    // The first call after the headers: judge the request, then answer it at once or hand it
    // to its lane and let the connection wait, holding no thread of the library.
    MHD_Result Begin(Exchange& x, MHD_Connection* connection, const char* method,
                     const char* version) {
        {
            std::lock_guard<std::mutex> lock(watched_mutex);
            auto it = watched.find(connection);
            if (it != watched.end()) {
                it->second.whole = true;
            }
        }
        if (std::strcmp(version, MHD_HTTP_VERSION_1_1) != 0 &&
            std::strcmp(version, MHD_HTTP_VERSION_1_0) != 0) {
            return Answer(connection, {505, ""}, true);
        }
        if (x.request.target.size() > limits.max_request_line) {
            return Answer(connection, {414, ""}, true);
        }
        HeaderCheck check;
        MHD_get_connection_values_n(connection, MHD_HEADER_KIND, CountHeader, &check);
        if (check.count > limits.max_headers || check.longest > limits.max_header_line) {
            return Answer(connection, {431, ""}, true);
        }
        if (!check.clean) {
            return Answer(connection, {400, ""}, true);
        }
        // The pages take no body: one announced on a GET is refused, never read as a request.
        const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                         MHD_HTTP_HEADER_CONTENT_LENGTH);
        const bool body = (length != nullptr && std::strcmp(length, "0") != 0) ||
                          MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                      MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr;
        if (body || std::strcmp(method, MHD_HTTP_METHOD_GET) != 0) {
            return Answer(connection, {body ? 400 : 405, ""}, true);
        }
        if (x.request.target.empty() || x.request.target.front() != '/') {
            return Answer(connection, {400, ""}, true);
        }
        x.request.client = ClientOf(connection);
        x.connection = connection;
        const std::size_t lane = std::min(router(x.request), queues.size() - 1);
        Queue& q = *queues[lane];
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (stop_asked || q.waiting.size() >= lanes[lane].queue) {
                return Answer(connection, busy, false);
            }
            x.queued = true;
            MHD_suspend_connection(connection);
            q.waiting.push_back(&x);
        }
        q.ready.notify_one();
        return MHD_YES;
    }

    // The peer, or, when the peer is the proxy in front, the address the proxy vouches for.
    std::string ClientOf(MHD_Connection* connection) const {
        std::string peer = AddressOf(connection);
        if (limits.proxy.empty() || peer != limits.proxy) {
            return peer;
        }
        const char* forwarded =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-For");
        in6_addr parsed{};
        if (forwarded != nullptr && (::inet_pton(AF_INET, forwarded, &parsed) == 1 ||
                                     ::inet_pton(AF_INET6, forwarded, &parsed) == 1)) {
            return forwarded;
        }
        return peer;
    }

    static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char*,
                                const char* method, const char* version, const char*,
                                size_t* upload_size, void** context) {
        auto* self = static_cast<Impl*>(cls);
        auto* x = static_cast<Exchange*>(*context);
        if (x == nullptr) {
            return MHD_NO;
        }
        if (x->answer) {
            return Answer(connection, *x->answer, false);
        }
        if (x->queued) {
            return MHD_YES;  // resumed before its answer: nothing to do yet
        }
        if (*upload_size != 0) {
            *upload_size = 0;  // a body on a GET is not read, the request refused below
        }
        return self->Begin(*x, connection, method, version);
    }

    static void* OnTarget(void*, const char* uri, MHD_Connection*) {
        auto* x = new Exchange;
        x->request.target = OriginForm(uri ? uri : "");
        return x;
    }

    static void OnCompleted(void* cls, MHD_Connection* connection, void** context,
                            MHD_RequestTerminationCode) {
        auto* self = static_cast<Impl*>(cls);
        delete static_cast<Exchange*>(*context);
        *context = nullptr;
        // The next request on this connection has its own deadline.
        std::lock_guard<std::mutex> lock(self->watched_mutex);
        auto it = self->watched.find(connection);
        if (it != self->watched.end()) {
            it->second = {it->second.fd, Clock::now(), false};
        }
    }

    static void OnConnection(void* cls, MHD_Connection* connection, void**,
                             MHD_ConnectionNotificationCode code) {
        auto* self = static_cast<Impl*>(cls);
        std::lock_guard<std::mutex> lock(self->watched_mutex);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            self->watched[connection] = {info ? info->connect_fd : -1, Clock::now(), false};
        } else {
            self->watched.erase(connection);  // before the library closes the socket
        }
    }

    void Work(std::size_t lane) {
        Queue& q = *queues[lane];
        while (true) {
            Exchange* x = nullptr;
            {
                std::unique_lock<std::mutex> lock(q.mutex);
                q.ready.wait(lock, [&] { return stop_asked || !q.waiting.empty(); });
                if (q.waiting.empty()) {
                    return;
                }
                x = q.waiting.front();
                q.waiting.pop_front();
            }
            // Stopping, what still waits is told "busy" rather than kept waiting for its turn.
            x->answer = stop_asked ? busy : handler(x->request);
            MHD_resume_connection(x->connection);
        }
    }

    // The library's time-out is for silence; a client sending a byte at a time is never silent.
    // A request that has not arrived whole within the deadline loses its connection.
    void Watch() {
        std::unique_lock<std::mutex> lock(stop_mutex);
        while (!stopped.wait_for(lock, std::chrono::milliseconds(100), [&] { return stopping; })) {
            const Clock::time_point now = Clock::now();
            std::lock_guard<std::mutex> w(watched_mutex);
            for (const auto& [connection, state] : watched) {
                if (!state.whole && state.fd >= 0 && now - state.since > limits.request_deadline) {
                    ::shutdown(state.fd, SHUT_RDWR);
                }
            }
        }
    }
};

HttpFront::HttpFront(FrontLimits limits, std::vector<Lane> lanes, Router router, Handler handler,
                     HttpResponse busy)
    : impl_(new Impl) {
    impl_->limits = limits;
    impl_->lanes = std::move(lanes);
    impl_->router = std::move(router);
    impl_->handler = std::move(handler);
    impl_->busy = std::move(busy);
    for (std::size_t i = 0; i < impl_->lanes.size(); ++i) {
        impl_->queues.push_back(std::make_unique<Impl::Queue>());
    }
}

HttpFront::~HttpFront() {
    if (impl_->daemon != nullptr) {
        MHD_stop_daemon(impl_->daemon);
    }
    delete impl_;
}

int HttpFront::Listen(const std::string& address, int port) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1) {
        return -1;
    }
    // Many idle connections are cheap with epoll; the descriptors must allow them.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    const FrontLimits& l = impl_->limits;
    const auto seconds =
        static_cast<unsigned>(std::max<long long>(1, (l.request_deadline.count() + 999) / 1000));
    // A request line and its headers must fit the connection's memory; past it the library
    // answers 414 or 431 and closes.
    const std::size_t memory = l.max_request_line + l.max_header_bytes + 4096;
    impl_->daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME,
        static_cast<std::uint16_t>(port), nullptr, nullptr, &Impl::OnRequest, impl_,
        MHD_OPTION_SOCK_ADDR, &at, MHD_OPTION_THREAD_POOL_SIZE, 2u, MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned>(l.max_connections), MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        static_cast<unsigned>(l.max_per_address), MHD_OPTION_CONNECTION_TIMEOUT, seconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, memory, MHD_OPTION_STRICT_FOR_CLIENT, 1,
        MHD_OPTION_URI_LOG_CALLBACK, &Impl::OnTarget, impl_, MHD_OPTION_NOTIFY_COMPLETED,
        &Impl::OnCompleted, impl_, MHD_OPTION_NOTIFY_CONNECTION, &Impl::OnConnection, impl_,
        MHD_OPTION_END);
    if (impl_->daemon == nullptr) {
        return -1;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info == nullptr ? -1 : info->port;
}

void HttpFront::Run() {
    for (std::size_t lane = 0; lane < impl_->lanes.size(); ++lane) {
        for (int i = 0; i < impl_->lanes[lane].threads; ++i) {
            impl_->workers.emplace_back([this, lane] { impl_->Work(lane); });
        }
    }
    impl_->watch = std::thread([this] { impl_->Watch(); });
    while (!impl_->stop_asked) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    {
        std::lock_guard<std::mutex> lock(impl_->stop_mutex);
        impl_->stopping = true;
    }
    impl_->stopped.notify_all();
    impl_->watch.join();
    for (auto& q : impl_->queues) {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->ready.notify_all();
    }
    // Workers answer all that is queued, so no suspended connection is left without its answer.
    for (std::thread& t : impl_->workers) {
        t.join();
    }
    MHD_stop_daemon(impl_->daemon);
    impl_->daemon = nullptr;
}

void HttpFront::Stop() {
    impl_->stop_asked = true;
}

}  // namespace zivron::service
