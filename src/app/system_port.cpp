#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "app/system_port.h"
#include "service/fetch_page.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// $ZIVRON_TODAY, "DD/MM/YYYY": the day a rehearsal (or a test) runs on; the time is the clock's.
std::optional<LocalTime> SetToday() {
    const char* text = std::getenv("ZIVRON_TODAY");
    if (text == nullptr) {
        return std::nullopt;
    }
    LocalTime day;
    char end = 0;
    if (std::sscanf(text, "%2d/%2d/%4d%c", &day.day, &day.month, &day.year, &end) != 3 ||
        !IsCalendarDate(std::to_string(day.day), std::to_string(day.month),
                        std::to_string(day.year))) {
        return std::nullopt;
    }
    return day;
}

}  // namespace

LocalTime SystemPort::Now() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    LocalTime local{
        tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        static_cast<int>(ms.count())};
    if (std::optional<LocalTime> day = SetToday()) {
        local.year = day->year;
        local.month = day->month;
        local.day = day->day;
    }
    return local;
}

std::string SystemPort::ComputerName() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) {
        return {};
    }
    return buf;
}

std::string SystemPort::FetchPage(const std::string& page_and_query) {
    using std::chrono::milliseconds;
    const milliseconds left = command_time_ - spent_;
    if (left <= milliseconds(0)) {
        return {};  // the operation's time is up: the rest fails at once, as if unanswered
    }
    const auto start = std::chrono::steady_clock::now();
    const bool last = left.count() < kRequestTimeoutMs;  // given all the time that is left
    std::string reply = zivron::FetchPage(ServiceBaseAddress(), page_and_query,
                                          last ? left.count() : kRequestTimeoutMs);
    spent_ += std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    if (last && reply.empty()) {
        spent_ = command_time_;  // cut short, however few milliseconds the clock says were left
    }
    return reply;
}

std::string SystemPort::ServiceInTheClear() {
    const std::string base = ServiceBaseAddress();
    return SendsInTheClear(base) ? base : std::string();
}

std::unique_ptr<sheet::SpreadsheetApp> SystemPort::NewSpreadsheetApp() {
    return std::make_unique<sheet::SpreadsheetApp>(
        [this](const std::filesystem::path& p) { ShellOpen(p); });
}

}  // namespace zivron
