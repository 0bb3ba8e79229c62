#pragma once
// The parts of the port every real front end shares: the clock, the computer's name, the web
// service at its configured address, and spreadsheets that show a file through ShellOpen.

#include "platform/port.h"

namespace zivron {

class SystemPort : public Port {
  public:
    LocalTime Now() override;
    std::string ComputerName() override;
    std::string FetchPage(const std::string& page_and_query) override;
    std::unique_ptr<sheet::SpreadsheetApp> NewSpreadsheetApp() override;
};

}  // namespace zivron
