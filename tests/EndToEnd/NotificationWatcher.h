#pragma once

// Watches the session bus for calls to the desktop's notification service, as they reach it
// (the notification daemon still shows them). Runs `dbus-monitor` and reads its output.

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

#include <memory>

class NotificationWatcher {
public:
    // One "Notify" call: its text arguments in order (application name, icon, summary, body,
    // then the texts of the actions and hints).
    struct Notify {
        QStringList texts;

        [[nodiscard]] QString appName() const { return texts.value(0); }
        [[nodiscard]] QString summary() const { return texts.value(2); }
        [[nodiscard]] QString body() const { return texts.value(3); }
        // The value of the hint `name`, when it is a text.
        [[nodiscard]] QString hint(const QString &name) const
        {
            const qsizetype at = texts.indexOf(name, 4);
            return at < 0 ? QString() : texts.value(at + 1);
        }
    };

    // False when dbus-monitor is missing or did not start watching in time.
    [[nodiscard]] bool start()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-monitor"));
        if (program.isEmpty())
            return false;
        m_process = std::make_unique<QProcess>();
        m_process->setStandardErrorFile(QProcess::nullDevice());
        m_process->start(program, {QStringLiteral("--session"),
                                   QStringLiteral("type='method_call',interface='org.freedesktop."
                                                  "Notifications',member='Notify'")});
        // It announces itself with the name it was given before anything is watched.
        return m_process->waitForStarted(5000) &&
               QTest::qWaitFor([this] { return !read().isEmpty() || !m_output.isEmpty(); }, 5000);
    }

    ~NotificationWatcher()
    {
        if (m_process) {
            m_process->terminate();
            m_process->waitForFinished(3000);
        }
    }

    // Every Notify call seen so far.
    [[nodiscard]] QList<Notify> calls()
    {
        read();
        static const QRegularExpression text(
            QStringLiteral("^\\s*(?:variant\\s+)?string \"(.*)\"$"));
        QList<Notify> found;
        const QStringList blocks = m_output.split(QStringLiteral("method call "));
        for (const QString &block : blocks) {
            if (!block.contains(QStringLiteral("member=Notify")))
                continue;
            Notify call;
            for (const QString &line : block.split(u'\n')) {
                const auto match = text.match(line);
                if (match.hasMatch())
                    call.texts.append(match.captured(1));
            }
            found.append(call);
        }
        return found;
    }

private:
    QString read()
    {
        const QString more = QString::fromUtf8(m_process->readAllStandardOutput());
        m_output += more;
        return more;
    }

    std::unique_ptr<QProcess> m_process;
    QString m_output;
};
