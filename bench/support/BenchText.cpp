#include "BenchText.h"

using namespace Qt::StringLiterals;

QDateTime BenchText::baseTime()
{
    return QDateTime(QDate(2026, 3, 2), QTime(9, 30), Qt::UTC);
}

QString BenchText::post(int length)
{
    static const QStringList sentences{
        u"Three years ago I shipped my first product to 12 customers."_s,
        u"Most of what I believed about pricing turned out to be wrong!"_s,
        u"Here is what changed, in order:"_s,
        u"We talked to users every week, not every quarter."_s,
        u"Revenue grew 4x once we stopped guessing (and started asking)."_s,
        u"What would you have done differently?"_s,
    };
    QString text;
    text.reserve(length + 80);
    for (int i = 0; text.size() < length; ++i) {
        text += sentences[i % sentences.size()];
        text += (i % 4 == 3) ? u"\n\n"_s : u" "_s;
    }
    text.truncate(length);
    return text;
}

QList<Draft> BenchText::drafts(int count, int length, const QDateTime &newest)
{
    const QString body = post(length);
    QList<Draft> list;
    for (int i = 0; i < count; ++i) {
        const QDateTime time = newest.addSecs(-60 * i);
        // A distinct start keeps titles and bodies apart.
        QString text = u"Draft %1: "_s.arg(i + 1) + body;
        text.truncate(length);
        // Fixed ids, so every program and every run works on the same 15 drafts.
        const QUuid id = QUuid::createUuidV5(QUuid(u"6f1d2c34-5b6a-4e7f-8091-a2b3c4d5e6f7"_s),
                                             u"bench-draft-%1"_s.arg(i + 1));
        list.append(Draft{id, text, time, time});
    }
    return list;
}

QList<DraftSyncMutation> BenchText::upserts(const QList<Draft> &drafts, const QString &ownerID)
{
    QList<DraftSyncMutation> queue;
    for (auto it = drafts.crbegin(); it != drafts.crend(); ++it)
        queue.append(DraftSyncMutation::upsert(ownerID, *it, it->updatedAt));
    return queue;
}
