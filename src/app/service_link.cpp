#include "app/service_link.h"

#include "app/texts.h"

#include "service/offline_files.h"

namespace zivron {
namespace {

constexpr long long kRetryAfterSeconds = 60;
// The service's answer once an entry's row is committed; anything else is not delivery.
constexpr const char* kDelivered = "ok";

// The port's clock as a count of seconds, to measure the minute across midnight.
long long Seconds(const LocalTime& t) {
    // Days from a fixed epoch by the civil calendar (Howard Hinnant's days_from_civil).
    const int y = t.year - (t.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = era * 146097LL + doe;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

}  // namespace

bool ServiceLink::Waiting() {
    return failed_at_ && Seconds(port_.Now()) - *failed_at_ < kRetryAfterSeconds;
}

void ServiceLink::Failed() {
    offline_ = true;
    failed_at_ = Seconds(port_.Now());
}

void ServiceLink::Succeeded() {
    offline_ = false;
    failed_at_.reset();
    Flush();
}

void ServiceLink::Flush() {
    for (const std::string& entry : Outbox::Entries()) {
        const std::string reply = port_.FetchPage(entry);
        if (reply.empty()) {
            Failed();
            return;
        }
        // Removed only once the service says its row is kept: a refusal (a full disk, a busy
        // lane) keeps it, and the ones after it, for the next time; a kill between the answer
        // and the removal sends it once more, never loses it.
        if (reply != kDelivered || !Outbox::RemoveOldest()) {
            return;
        }
    }
}

std::string ServiceLink::Fetch(const std::string& page_and_query) {
    if (Waiting()) {
        return {};
    }
    std::string reply = port_.FetchPage(page_and_query);
    if (reply.empty()) {
        Failed();
    } else {
        Succeeded();
    }
    return reply;
}

ServiceLink::LogFate ServiceLink::SendLog(const std::string& page_and_query) {
    if (!Waiting()) {
        Flush();  // older entries first
    }
    if (!Waiting() && Outbox::Entries().empty()) {
        const std::string reply = port_.FetchPage(page_and_query);
        if (reply == kDelivered) {
            offline_ = false;
            return LogFate::Sent;
        }
        if (reply.empty()) {
            Failed();
        }
    }
    const LogFate fate = Outbox::Append(page_and_query) ? LogFate::Queued : LogFate::Lost;
    TellSetAsideFiles(port_);
    return fate;
}

void TellSetAsideFiles(Port& port) {
    for (const auto& [file, aside] : TakeSetAsideFiles()) {
        port.MessageBox(texts::Filled(texts::kFileSetAside, {file, aside}), texts::kProgramTitle,
                        Buttons::Ok);
    }
}

std::string ServiceLink::State() {
    if (Waiting()) {
        return texts::kServiceAway;
    }
    return offline_ ? texts::kOffline : "";
}

}  // namespace zivron
