#pragma once
// A real HTTP server on 127.0.0.1 for the client's tests: it keeps the raw target of every
// request and answers with the bytes the test sets.

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zivron::test {

class HttpRecorder {
  public:
    HttpRecorder() {
        server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock<std::mutex> lock(mu_);
            targets_.push_back(req.target);
            const std::chrono::milliseconds delay = delay_;
            lock.unlock();
            std::this_thread::sleep_for(delay);
            lock.lock();
            user_agents_.push_back(req.get_header_value("User-Agent"));
            res.status = status_;
            if (status_ >= 300 && status_ < 400) {
                res.set_header("Location", "/elsewhere");
            }
            res.set_content(reply_, "text/plain");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~HttpRecorder() {
        server_.stop();
        thread_.join();
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void Reply(std::string bytes, int status = 200) {
        std::lock_guard<std::mutex> lock(mu_);
        reply_ = std::move(bytes);
        status_ = status;
    }
    // Each answer comes this late.
    void Delay(std::chrono::milliseconds delay) {
        std::lock_guard<std::mutex> lock(mu_);
        delay_ = delay;
    }
    std::vector<std::string> Targets() {
        std::lock_guard<std::mutex> lock(mu_);
        return targets_;
    }
    std::vector<std::string> UserAgents() {
        std::lock_guard<std::mutex> lock(mu_);
        return user_agents_;
    }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mu_;
    std::vector<std::string> targets_;
    std::vector<std::string> user_agents_;
    std::string reply_ = "ok";
    int status_ = 200;
    std::chrono::milliseconds delay_{0};
};

}  // namespace zivron::test
