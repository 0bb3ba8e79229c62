#pragma once
// The bank and branch lists the checks use: the snapshot built into the program, or a later
// edition the service handed out, kept in the user's data folder for the days it is away.

#include <string>

#include "platform/port.h"

namespace zivron {

// The kept edition put in use when it is later than the program's own, else the program's own;
// a damaged file is set aside (and named by TellSetAsideFiles).
void UseKeptBankEdition();

// After a login: the service's edition fetched when it is later than the one in use, checked
// as the service checked it, kept and put in use. A silent service or a damaged edition leaves
// everything as it was.
void RefreshBankEdition(Port& port);

// The date of the edition in use (dd/mm/yyyy).
std::string BankEditionInUse();

}  // namespace zivron
