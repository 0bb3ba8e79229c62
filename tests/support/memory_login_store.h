#pragma once
// A login store held in memory, for the core's tests: the desktop's own, on the system keyring,
// is tested with a real keyring in the Qt layer's tests.

#include <optional>
#include <string>

#include "app/login_store.h"

namespace zivron::test {

class MemoryLoginStore : public LoginStore {
  public:
    std::optional<LoginDetails> kept;
    std::string refusal;  // when set, Keep keeps the e-mail alone and answers this

    std::optional<LoginDetails> Load() override { return kept; }
    Status Keep(const LoginDetails& details) override {
        kept = details;
        if (!refusal.empty()) {
            kept->password.clear();
            return Error{ErrorCode::IoFailure, refusal};
        }
        return Ok();
    }
    void Forget() override { kept.reset(); }
};

}  // namespace zivron::test
