#pragma once
// The parts of the port every real front end shares: the clock, the computer's name, the web
// service at its configured address, and spreadsheets that show a file through ShellOpen.

#include <chrono>

#include "platform/port.h"

namespace zivron {

// The time all requests of one operation may take together, however many there are.
inline constexpr std::chrono::milliseconds kCommandRequestTime{20000};

class SystemPort : public Port {
  public:
    explicit SystemPort(std::chrono::milliseconds command_time = kCommandRequestTime)
        : command_time_(command_time) {}

    LocalTime Now() override;
    std::string ComputerName() override;
    std::string FetchPage(const std::string& page_and_query) override;
    void StartCommand() override { spent_ = {}; }
    std::string ServiceInTheClear() override;
    std::unique_ptr<sheet::SpreadsheetApp> NewSpreadsheetApp() override;

  private:
    std::chrono::milliseconds command_time_;
    std::chrono::milliseconds spent_{0};  // by the requests since the operation began
};

}  // namespace zivron
