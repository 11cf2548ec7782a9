#pragma once

#include <QString>

#include <expected>
#include <utility>

// The failure half of every fallible operation. `kind` says where the failure came from;
// `code` is the failing service's own error case (cast from its enumeration) for
// `Kind::Service`, the HTTP status or network error where that is useful; `description`
// is the user-facing text shown verbatim.
class Error {
public:
    enum class Kind {
        Service,   // a service's own error case, with the description it fixes
        Transport, // the network failed; description as the platform gives it
        Decoding,  // a body or stored record did not decode; description names the member
    };

    Kind kind = Kind::Service;
    int code = 0;
    QString description;

    template<typename E> [[nodiscard]] static Error service(E code, QString description)
    {
        return {Kind::Service, static_cast<int>(code), std::move(description)};
    }
    [[nodiscard]] static Error transport(QString description, int code = 0)
    {
        return {Kind::Transport, code, std::move(description)};
    }
    [[nodiscard]] static Error decoding(QString description)
    {
        return {Kind::Decoding, 0, std::move(description)};
    }

    // True when this is the service error case `e`.
    template<typename E> [[nodiscard]] bool is(E e) const
    {
        return kind == Kind::Service && code == static_cast<int>(e);
    }

    friend bool operator==(const Error &, const Error &) = default;
};

template<typename T> using Result = std::expected<T, Error>;

// Shorthand for the failure value of any Result.
[[nodiscard]] inline std::unexpected<Error> fail(Error e)
{
    return std::unexpected<Error>(std::move(e));
}
