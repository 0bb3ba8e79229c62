// zivron-service: the web service the program talks to, on one machine.
//
//   zivron-service serve --db FILE [--port N] [--address A]
//   zivron-service add-account --db FILE --email E --name N     (the password on stdin, one line)
//   zivron-service list-accounts --db FILE

#include <httplib.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "pages.h"
#include "store.h"
#include "text/hebrew.h"

namespace {

using zivron::service::Pages;
using zivron::service::Store;

httplib::Server* g_server = nullptr;

void Stop(int) {
    if (g_server != nullptr) {
        g_server->stop();
    }
}

std::string DefaultDb() {
    std::filesystem::path base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x != '\0') {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
        base = std::filesystem::path(h) / ".local" / "share";
    } else {
        base = ".";
    }
    std::error_code ec;
    std::filesystem::create_directories(base / "zivron", ec);
    return (base / "zivron" / "service.db").string();
}

int Usage() {
    std::cerr
        << "usage:\n"
           "  zivron-service serve [--db FILE] [--port N] [--address A]\n"
           "  zivron-service add-account [--db FILE] --email E --name N  (password on stdin)\n"
           "  zivron-service list-accounts [--db FILE]\n";
    return 2;
}

bool Options(int argc, char** argv, std::map<std::string, std::string>& out) {
    for (int i = 2; i < argc; i += 2) {
        std::string k = argv[i];
        if (k.rfind("--", 0) != 0 || i + 1 >= argc) {
            return false;
        }
        out[k.substr(2)] = argv[i + 1];
    }
    return true;
}

int Serve(Store& store, const std::map<std::string, std::string>& o) {
    const std::string address = o.count("address") ? o.at("address") : "127.0.0.1";
    int port = 8765;
    if (o.count("port")) {
        port = std::atoi(o.at("port").c_str());
    }
    Pages pages(store);
    httplib::Server server;
    server.set_payload_max_length(1 << 16);
    server.set_tcp_nodelay(true);  // replies are small; waiting to batch them only adds latency
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.Get(R"(/([A-Za-z]+\.asp))", [&](const httplib::Request& req, httplib::Response& res) {
        std::size_t q = req.target.find('?');
        std::string_view raw = q == std::string::npos ? std::string_view()
                                                      : std::string_view(req.target).substr(q + 1);
        zivron::service::Reply reply = pages.Handle(req.matches[1], raw, req.remote_addr);
        res.status = reply.status;
        res.set_header("Cache-Control", "no-store");
        res.set_content(zivron::ToWindows1255(reply.body), "text/plain; charset=windows-1255");
    });
    server.set_error_handler(
        [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
    g_server = &server;
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    if (port == 0) {
        port = server.bind_to_any_port(address);
    } else if (!server.bind_to_port(address, port)) {
        port = -1;
    }
    if (port < 0) {
        std::cerr << "zivron-service: cannot listen on " << address << "\n";
        return 1;
    }
    std::cout << "listening on http://" << address << ":" << port << std::endl;
    server.listen_after_bind();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string command = argv[1];
    std::map<std::string, std::string> o;
    if (!Options(argc, argv, o)) {
        return Usage();
    }
    Store store;
    if (auto err = Store::Open(o.count("db") ? o["db"] : DefaultDb(), store)) {
        std::cerr << "zivron-service: " << *err << "\n";
        return 1;
    }
    if (command == "serve") {
        return Serve(store, o);
    }
    if (command == "add-account") {
        if (!o.count("email") || !o.count("name")) {
            return Usage();
        }
        const std::string& name = o["name"];
        if (name.find_first_of("*+") != std::string::npos ||
            o["email"].find('&') != std::string::npos) {
            std::cerr << "zivron-service: a name cannot hold \"*\" or \"+\", an e-mail \"&\"\n";
            return 1;
        }
        std::string password;
        std::getline(std::cin, password);
        if (password.empty()) {
            std::cerr << "zivron-service: the password (one line on stdin) is empty\n";
            return 1;
        }
        zivron::service::Account a;
        if (auto err = store.AddAccount(o["email"], name, password, a)) {
            std::cerr << "zivron-service: " << *err << "\n";
            return 1;
        }
        std::cout << a.number << "\n";
        return 0;
    }
    if (command == "list-accounts") {
        for (const auto& a : store.Accounts()) {
            std::cout << a.email << "\t" << a.name << "\t" << a.number << "\n";
        }
        return 0;
    }
    return Usage();
}
