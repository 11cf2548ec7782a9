#pragma once

// Looks at the user's keyring the way a person would, through the `secret-tool` command, so
// tests can check what another program sees. Secrets read here are returned, never printed.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

namespace SecretTool {

struct Outcome {
    int exitCode = -1;
    QByteArray output;
};

inline Outcome run(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral("secret-tool"), arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

// The secret of the item with these attributes, as `secret-tool lookup` prints it.
inline std::optional<QByteArray> lookup(const QString &service, const QString &account)
{
    const auto outcome = run({QStringLiteral("lookup"), QStringLiteral("service"), service,
                              QStringLiteral("account"), account});
    if (outcome.exitCode != 0)
        return std::nullopt;
    return outcome.output;
}

// How many items carry these attributes; -1 when secret-tool cannot be run.
inline int itemCount(const QString &service, const QString &account)
{
    const auto outcome =
        run({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("service"), service,
             QStringLiteral("account"), account});
    if (outcome.exitCode < 0)
        return -1;
    int count = 0;
    for (const QByteArray &line : outcome.output.split('\n')) {
        if (line.startsWith('['))
            ++count;
    }
    return count;
}

// Stores `secret` under these attributes, plus any `extraAttributes` (name, value, ...), as
// another program would.
inline bool store(const QString &service, const QString &account, const QByteArray &secret,
                  const QStringList &extraAttributes = {})
{
    const QStringList arguments =
        QStringList{QStringLiteral("store"),   QStringLiteral("--label=Quillet test item"),
                    QStringLiteral("service"), service,
                    QStringLiteral("account"), account} +
        extraAttributes;
    return run(arguments, secret).exitCode == 0;
}

} // namespace SecretTool
