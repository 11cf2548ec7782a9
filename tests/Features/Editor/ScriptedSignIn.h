#pragma once

// A sign-in that answers at once with `answer`, as the sheet would after the user finished it.

#include "AccountAuthServicing.h"
#include "LinkedInAuthError.h"

class ScriptedSignIn final : public AccountAuthServicing {
public:
    QCoro::Task<Result<LinkedInToken>> signIn() override
    {
        ++signInCount;
        co_return answer;
    }
    QCoro::Task<Result<void>> disconnect(QString) override { co_return Result<void>{}; }
    QCoro::Task<Result<void>> deleteAccount(QString) override { co_return Result<void>{}; }
    void requireEphemeralSignInOnce() override {}

    Result<LinkedInToken> answer = fail(linkedInAuthError(LinkedInAuthError::cancelled));
    int signInCount = 0;
};
