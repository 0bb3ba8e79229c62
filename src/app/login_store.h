#pragma once
// Where the login window's details are kept between runs: the e-mail in the program's settings,
// the password in the system keyring, never in a file. The desktop front end gives one; without
// it (the command line) nothing is kept.

#include <optional>
#include <string>

#include "core/result.h"

namespace zivron {

// What the login window holds: the e-mail, the password and whether to keep them.
struct LoginDetails {
    std::string email;
    std::string password;
    bool remember = false;
};

class LoginStore {
  public:
    virtual ~LoginStore() = default;
    // The details kept (remember set); nothing when none are. The password is empty when the
    // keyring does not answer.
    virtual std::optional<LoginDetails> Load() = 0;
    // Keeps the e-mail and the password. Refused with the operator's message when no keyring
    // takes the password: the e-mail is kept, the password is not.
    virtual Status Keep(const LoginDetails& details) = 0;
    // Keeps nothing any more: the e-mail and the keyring's entry go.
    virtual void Forget() = 0;
};

}  // namespace zivron
