#pragma once

#include "LinkedInToken.h"

#include <optional>

// Where the connected account's token is kept between runs. The operations are synchronous
// and never report failure: a token that cannot be read counts as none, and a write that is
// refused leaves the stored state as it was.
class LinkedInTokenStore {
public:
    LinkedInTokenStore() = default;
    LinkedInTokenStore(const LinkedInTokenStore &) = delete;
    LinkedInTokenStore &operator=(const LinkedInTokenStore &) = delete;
    virtual ~LinkedInTokenStore() = default;

    // The stored token, if there is one and it can be read.
    [[nodiscard]] virtual std::optional<LinkedInToken> load() = 0;
    // Stores `token`, replacing any stored one.
    virtual void save(const LinkedInToken &token) = 0;
    // Removes the stored token.
    virtual void clear() = 0;
    // Removes the stored token and every copy of it, for account deletion.
    virtual void clearAccountDeletionData() = 0;
};
