#pragma once

#include "LinkedInToken.h"
#include "Result.h"

#include <QString>

#include <qcorotask.h>

// The server operations of the account screens: connect a LinkedIn account, disconnect it,
// delete the account. LinkedInAuthService is the implementation; tests script their own.
class AccountAuthServicing {
public:
    AccountAuthServicing() = default;
    AccountAuthServicing(const AccountAuthServicing &) = delete;
    AccountAuthServicing &operator=(const AccountAuthServicing &) = delete;
    virtual ~AccountAuthServicing() = default;

    // Connects an account and returns its token, already saved in the token store.
    [[nodiscard]] virtual QCoro::Task<Result<LinkedInToken>> signIn() = 0;
    // Tells the server to drop the LinkedIn connection of the member.
    [[nodiscard]] virtual QCoro::Task<Result<void>> disconnect(QString memberID) = 0;
    // Tells the server to delete the member's account.
    [[nodiscard]] virtual QCoro::Task<Result<void>> deleteAccount(QString memberID) = 0;
    // The next sign-in, and only that one, runs without the cookies of earlier sign-ins.
    virtual void requireEphemeralSignInOnce() = 0;
};
