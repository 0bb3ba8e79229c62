// zivron-service: the web service the program talks to, on one machine.
//
//   zivron-service serve --db FILE [--port N] [--address A]
//   zivron-service add-account --db FILE --email E --name N     (the password on stdin, one line)
//   zivron-service list-accounts --db FILE
//   zivron-service check --db FILE
//   zivron-service backup --db FILE --to COPY
//   zivron-service import-branches --db FILE [--banks BANKS.tsv] [--date DD/MM/YYYY] BRANCHES.xml

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/service_pages.h"
#include "core/user_folder.h"
#include "http_front.h"
#include "official_branches.h"
#include "pages.h"
#include "store.h"
#include "text/hebrew.h"
#include "validate/bank_edition.h"
#include "validate/bank_snapshot.h"

namespace {

using zivron::service::HttpFront;
using zivron::service::HttpRequest;
using zivron::service::HttpResponse;
using zivron::service::Lane;
using zivron::service::Pages;
using zivron::service::Store;

HttpFront* g_server = nullptr;

void Stop(int) {
    if (g_server != nullptr) {
        g_server->Stop();
    }
}

std::string DefaultDb() {
    const std::filesystem::path folder = zivron::UserDataFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return (folder / "service.db").string();
}

int Usage() {
    std::cerr
        << "usage:\n"
           "  zivron-service serve [--db FILE] [--port N] [--address A]\n"
           "        [--request-deadline-ms N] [--max-connections N] [--max-per-address N]\n"
           "        [--proxy-address A]  (its X-Forwarded-For names the client)\n"
           "        [--guesses-per-address N] [--guesses-in-all N] [--guess-window-ms N]\n"
           "        [--guess-cooldown-ms N] [--login-failures N] [--login-window-ms N]\n"
           "        [--login-cooldown-ms N] [--log-per-minute N]\n"
           "  zivron-service add-account [--db FILE] --email E --name N  (password on stdin)\n"
           "  zivron-service list-accounts [--db FILE]\n"
           "  zivron-service check [--db FILE]             (SQLite's integrity check; exit 1 on "
           "damage)\n"
           "  zivron-service backup [--db FILE] --to FILE  (a consistent copy, the service "
           "running)\n"
           "  zivron-service import-branches [--db FILE] [--banks BANKS.tsv] [--date DD/MM/YYYY]\n"
           "        Branches_for_payments.xml  (a new edition of the bank lists, dated today)\n";
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

// A number of milliseconds or a count from the command line; the default when absent.
long long Number(const std::map<std::string, std::string>& o, const char* key, long long fallback) {
    auto it = o.find(key);
    return it == o.end() ? fallback : std::atoll(it->second.c_str());
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d/%m/%Y", &local);
    return text;
}

// The Bank of Israel's branch file kept as the next edition of the lists the program fetches:
// with the banks file given, or the last edition's, or the program's own.
int ImportBranches(Store& store, const std::map<std::string, std::string>& o,
                   const std::string& file) {
    namespace banks = zivron::banks;
    auto fail = [](const std::string& why) {
        std::cerr << "zivron-service: " << why << "; the edition in use is kept\n";
        return 1;
    };
    zivron::Result<std::string> xml = zivron::ReadWholeFile(file);
    if (!xml) {
        return fail("cannot read " + file);
    }
    zivron::Result<std::string> branches = zivron::service::BranchesFromOfficialFile(xml.value());
    if (!branches) {
        return fail(branches.error().message);
    }
    const std::optional<banks::Edition> last = store.LastBankEdition();
    banks::Edition edition{o.count("date") ? o.at("date") : Today(), "", branches.value()};
    if (o.count("banks")) {
        zivron::Result<std::string> text = zivron::ReadWholeFile(o.at("banks"));
        if (!text) {
            return fail("cannot read " + o.at("banks"));
        }
        edition.banks_tsv = text.value();
    } else {
        edition.banks_tsv = last ? last->banks_tsv : std::string(banks::kShippedBanks);
    }
    const std::string previous_date = last ? last->date : banks::kShippedEditionDate;
    if (!banks::LaterDate(edition.date, previous_date)) {
        return fail("the edition of " + edition.date + " is not later than the one of " +
                    previous_date);
    }
    // Checked against the last edition kept, or the program's own lists before the first.
    const zivron::Result<banks::Directory> kept =
        last ? banks::Directory::Parse(last->banks_tsv, last->branches_tsv)
             : zivron::Result<banks::Directory>(zivron::Error{zivron::ErrorCode::BadInput, ""});
    zivron::Result<banks::Directory> checked =
        banks::CheckEdition(edition, kept ? kept.value() : banks::Shipped());
    if (!checked) {
        return fail(checked.error().message);
    }
    if (!store.AddBankEdition(edition)) {
        return fail("cannot keep it: " + Store::LastError());
    }
    std::cout << "edition " << edition.date << ": " << checked.value().Banks().size() << " banks, "
              << checked.value().BranchCount() << " branches\n";
    return 0;
}

int Serve(Store& store, const std::map<std::string, std::string>& o) {
    using std::chrono::milliseconds;
    const std::string address = o.count("address") ? o.at("address") : "127.0.0.1";
    const int port = static_cast<int>(Number(o, "port", 8765));
    zivron::service::PageLimits limits;
    zivron::service::GuardLimits& g = limits.guards;
    g.guesses_per_address = static_cast<int>(Number(o, "guesses-per-address", 20));
    g.guesses_in_all = static_cast<int>(Number(o, "guesses-in-all", 200));
    g.guess_window = milliseconds(Number(o, "guess-window-ms", 60000));
    g.guess_cooldown = milliseconds(Number(o, "guess-cooldown-ms", 60000));
    g.login_failures = static_cast<int>(Number(o, "login-failures", 10));
    g.login_window = milliseconds(Number(o, "login-window-ms", 15 * 60000));
    g.login_cooldown = milliseconds(Number(o, "login-cooldown-ms", 15 * 60000));
    limits.log_per_minute = static_cast<int>(Number(o, "log-per-minute", 12000));
    limits.max_institutions = static_cast<std::size_t>(Number(o, "max-institutions", 1000));
    zivron::service::FrontLimits front;
    front.request_deadline = milliseconds(Number(o, "request-deadline-ms", 5000));
    front.max_connections = static_cast<std::size_t>(Number(o, "max-connections", 2048));
    front.max_per_address = static_cast<std::size_t>(Number(o, "max-per-address", 16));
    front.proxy = o.count("proxy-address") ? o.at("proxy-address") : "";

    Pages pages(store, limits);
    // Three lanes: the pages (quick); the logins, whose password hashing is slow and large on
    // purpose: one at a time, a few waiting, so a login flood can take neither time nor memory;
    // and, as those, the logins of an e-mail from an address it logged in from before, which a
    // flood from other addresses cannot fill.
    const std::vector<Lane> lanes = {{2, 256}, {1, 8}, {1, 8}};
    HttpFront server(
        front, lanes,
        [&pages](const HttpRequest& r) -> std::size_t {
            const std::string login = std::string("/") + zivron::service_page::kLogin;
            if (r.target.rfind(login, 0) != 0) {
                return 0;
            }
            const std::size_t query = r.target.find('?');
            const std::string_view raw = query == std::string::npos
                                             ? std::string_view()
                                             : std::string_view(r.target).substr(query + 1);
            return pages.TrustedLogin(raw, r.client) ? 2 : 1;
        },
        [&pages](const HttpRequest& r) {
            static const std::regex kPage(R"(/([A-Za-z]+\.asp)(\?.*)?)");
            std::smatch m;
            if (!std::regex_match(r.target, m, kPage)) {
                return HttpResponse{404, ""};
            }
            const std::string query = m[2].matched ? m[2].str().substr(1) : "";
            zivron::service::Reply reply = pages.Handle(m[1], query, r.client);
            HttpResponse response(reply.status, zivron::ToWindows1255(reply.body));
            if (reply.more) {
                response.more = [more = std::move(reply.more)]() -> std::optional<std::string> {
                    std::optional<std::string> part = more();
                    return part ? std::optional(zivron::ToWindows1255(*part)) : std::nullopt;
                };
            }
            return response;
        },
        // A full lane says so: "busy" is no refusal of the request, and the program asks again.
        HttpResponse{200, "busy"});
    const int bound = server.Listen(address, port);
    if (bound < 0) {
        std::cerr << "zivron-service: cannot listen on " << address << "\n";
        return 1;
    }
    g_server = &server;
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit is a failed write, not an end
    std::cout << "listening on http://" << address << ":" << bound << std::endl;
    server.Run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::string command = argv[1];
    std::map<std::string, std::string> o;
    // import-branches ends with the file it reads.
    const bool file_last = command == "import-branches";
    if ((file_last && argc < 3) || !Options(file_last ? argc - 1 : argc, argv, o)) {
        return Usage();
    }
    ::umask(077);  // whatever the service writes is its user's alone
    Store store;
    // Only these two make a database; a mistyped name elsewhere is an error, not an empty file.
    const bool may_create = command == "serve" || command == "add-account";
    if (auto err = Store::Open(o.count("db") ? o["db"] : DefaultDb(), store, may_create)) {
        std::cerr << "zivron-service: " << *err << "\n";
        return 1;
    }
    if (command == "check") {
        const std::string found = store.Check(false);
        std::cout << found << "\n";
        return found == "ok" ? 0 : 1;
    }
    if (command == "backup") {
        if (!o.count("to")) {
            return Usage();
        }
        if (auto err = store.Backup(o["to"])) {
            std::cerr << "zivron-service: " << *err << "\n";
            return 1;
        }
        return 0;
    }
    if (command == "serve") {
        return Serve(store, o);
    }
    if (command == "import-branches") {
        return ImportBranches(store, o, argv[argc - 1]);
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
        const std::optional<std::vector<zivron::service::Account>> accounts = store.Accounts();
        if (!accounts) {
            std::cerr << "zivron-service: cannot read the accounts: " << store.LastError() << "\n";
            return 1;
        }
        for (const auto& a : *accounts) {
            std::cout << a.email << "\t" << a.name << "\t" << a.number << "\n";
        }
        return 0;
    }
    return Usage();
}
