#include <unistd.h>

#include <chrono>
#include <ctime>

#include "app/system_port.h"
#include "service/fetch_page.h"

namespace zivron {

LocalTime SystemPort::Now() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return {
        tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        static_cast<int>(ms.count())};
}

std::string SystemPort::ComputerName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) {
        return {};
    }
    return buf;
}

std::string SystemPort::FetchPage(const std::string& page_and_query) {
    return zivron::FetchPage(ServiceBaseAddress(), page_and_query);
}

std::unique_ptr<sheet::SpreadsheetApp> SystemPort::NewSpreadsheetApp() {
    return std::make_unique<sheet::SpreadsheetApp>(
        [this](const std::filesystem::path& p) { ShellOpen(p); });
}

}  // namespace zivron
