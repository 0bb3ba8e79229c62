#include "service/fetch_page.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "service/curl_library.h"
#include "text/hebrew.h"

namespace zivron {
namespace {

constexpr long kConnectTimeoutMs = 3000;
constexpr std::size_t kMaxBody = 4u << 20;

bool Unsafe(unsigned char b) {
    if (b <= 0x20 || b >= 0x7F) {
        return true;
    }
    switch (b) {
        case '%':
        case '#':
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    std::size_t n = size * count;
    if (body->size() + n > kMaxBody) {
        return 0;  // ends the transfer as a failure
    }
    body->append(data, n);
    return n;
}

}  // namespace

std::string ServiceBaseAddress() {
    if (const char* url = std::getenv("ZIVRON_SERVICE_URL"); url != nullptr && *url != '\0') {
        std::string base = url;
        while (!base.empty() && base.back() == '/') {
            base.pop_back();
        }
        return base;
    }
    return kDefaultServiceAddress;
}

std::string QueryValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        if (c == '&' || c == '=' || c == '%' || c == '#' || c == '+') {
            out += '%';
            out += kHex[static_cast<unsigned char>(c) >> 4];
            out += kHex[static_cast<unsigned char>(c) & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string RequestAddress(std::string_view base, std::string_view page_and_query) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string address(base);
    address += '/';
    const std::string bytes = ToWindows1255(page_and_query);
    auto hex = [](char h) { return std::isxdigit(static_cast<unsigned char>(h)) != 0; };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        auto b = static_cast<unsigned char>(c);
        // An escape QueryValue made goes as it is; any other "%" is a character of the text.
        const bool escape =
            c == '%' && i + 2 < bytes.size() && hex(bytes[i + 1]) && hex(bytes[i + 2]);
        if (Unsafe(b) && !escape) {
            address += '%';
            address += kHex[b >> 4];
            address += kHex[b & 15];
        } else {
            address += c;
        }
    }
    return address;
}

bool SendsInTheClear(std::string_view base) {
    constexpr std::string_view kPlain = "http://";
    if (base.size() < kPlain.size() ||
        !std::equal(kPlain.begin(), kPlain.end(), base.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        })) {
        return false;  // https, or no address at all
    }
    if (const char* allow = std::getenv("ZIVRON_ALLOW_HTTP");
        allow != nullptr && std::string_view(allow) == "1") {
        return false;
    }
    std::string_view host = base.substr(kPlain.size());
    host = host.substr(0, host.find_first_of("/?#"));
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
        host = host.substr(at + 1);
    }
    if (!host.empty() && host.front() == '[') {
        return host.substr(0, host.find(']') + 1) != "[::1]";
    }
    host = host.substr(0, host.find(':'));
    if (host == "localhost") {
        return false;
    }
    // 127.0.0.0/8, written out as four numbers.
    in_addr address{};
    const std::string text(host);
    return ::inet_pton(AF_INET, text.c_str(), &address) != 1 ||
           (ntohl(address.s_addr) >> 24) != 127;
}

std::string FetchPage(std::string_view base, std::string_view page_and_query, long timeout_ms) {
    if (SendsInTheClear(base)) {
        return {};
    }
    const CurlLibrary* lib = Curl();
    CURL* curl = lib != nullptr ? lib->easy_init() : nullptr;
    if (curl == nullptr) {
        return {};
    }
    std::string address = RequestAddress(base, page_and_query);
    std::string body;
    curl_slist* headers = nullptr;
    headers = lib->slist_append(headers, "Cache-Control: no-cache");
    headers = lib->slist_append(headers, "Pragma: no-cache");
    lib->easy_setopt(curl, CURLOPT_URL, address.c_str());
    lib->easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    lib->easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    lib->easy_setopt(curl, CURLOPT_USERAGENT, "VB Project");
    lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    lib->easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout_ms);
    // The service's own authority, for a certificate it made itself.
    if (const char* ca = std::getenv("ZIVRON_SERVICE_CA"); ca != nullptr && *ca != '\0') {
        lib->easy_setopt(curl, CURLOPT_CAINFO, ca);
    }
    lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    lib->easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    CURLcode rc = lib->easy_perform(curl);
    long status = 0;
    lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    lib->slist_free_all(headers);
    lib->easy_cleanup(curl);
    // A partial body, an error page or a redirect is no reply the program can read.
    if (rc != CURLE_OK || status < 200 || status >= 300) {
        return {};
    }
    return FromWindows1255(body);
}

}  // namespace zivron
