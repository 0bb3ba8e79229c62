#pragma once
// The window's way to the web service. The program handles money and only reports to the
// service, so it works while the service is away: a failed request makes the link wait a minute
// before it asks again (a hung service costs one time-out, not one per click); activity entries
// that cannot be sent wait in the outbox and go, oldest first, as soon as a request succeeds.

#include <optional>
#include <string>

#include "platform/port.h"

namespace zivron {

class ServiceLink {
  public:
    explicit ServiceLink(Port& port) : port_(port) {}

    // The reply, or "" when the service did not answer or failed within the last minute (then
    // it is not asked at all).
    std::string Fetch(const std::string& page_and_query);
    // An activity-log entry: sent, or kept in the outbox to be sent later; lost only when even
    // the outbox cannot be written.
    enum class LogFate { Sent, Queued, Lost };
    LogFate SendLog(const std::string& page_and_query);

    // Logged in without the service; ends with the next request that succeeds.
    void GoOffline() { offline_ = true; }
    // A request succeeded: the link is online again and the outbox goes out.
    void Succeeded();
    bool Offline() const { return offline_; }
    // What the top bar says: "" online, "השירות אינו זמין" for the minute after a failure,
    // "לא מקוון" otherwise while offline.
    std::string State();

  private:
    bool Waiting();  // within the minute after a failure
    void Failed();
    void Flush();

    Port& port_;
    bool offline_ = false;
    std::optional<long long> failed_at_;  // seconds, from the port's clock
};

// Each damaged file of ours moved aside since last told, named to the operator with where it is
// now.
void TellSetAsideFiles(Port& port);

}  // namespace zivron
