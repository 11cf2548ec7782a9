// Inputs that once crashed or hung a decoder of outside data (most found by the fuzz
// targets in fuzz/). Each file under data/<decoder>/ goes through that decoder again, which
// must return, with a clean error or a sound value.

#include "AppConfiguration.h"
#include "AppJson.h"
#include "DraftSnapshot.h"
#include "DraftSyncMutation.h"
#include "ErrorEnvelope.h"
#include "LinkedInToken.h"
#include "NaturalizeService.h"
#include "ResultEnvelope.h"
#include "StartResponse.h"
#include "SyncedDraftsService.h"
#include "TextFormatting.h"
#include "TodayConsistencyResponse.h"

#include <QDirIterator>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Each decoder by the name of its folder; true when the outcome is sound.
const QMap<QString, std::function<bool(const QByteArray &)>> decoders{
    {u"appconfiguration"_s,
     [](const QByteArray &bytes) {
         const auto configuration = AppConfiguration::decode(bytes);
         return configuration ? configuration->api.baseURL.isValid()
                              : !configuration.error().description.isEmpty();
     }},
    {u"draftsnapshot"_s,
     [](const QByteArray &bytes) {
         if (const auto object = AppJson::decodeObject(bytes))
             (void)DraftSnapshot::fromJson(JsonReader(*object));
         if (const auto array = AppJson::decodeArray(bytes))
             (void)DraftSnapshot::draftsFromJson(*array);
         return true;
     }},
    {u"syncqueue"_s,
     [](const QByteArray &bytes) {
         if (const auto array = AppJson::decodeArray(bytes))
             (void)DraftSyncMutation::queueFromJson(*array);
         return true;
     }},
    {u"linkedintoken"_s,
     [](const QByteArray &bytes) {
         const auto token = LinkedInToken::decode(bytes);
         return !token || LinkedInToken::decode(token->encoded()) == token;
     }},
    {u"errorenvelope"_s,
     [](const QByteArray &bytes) {
         return !ErrorEnvelope::message(bytes, u"fallback"_s).isNull() &&
                !NaturalizeService::failureMessage(bytes).isNull();
     }},
    {u"draftsanswers"_s,
     [](const QByteArray &bytes) {
         (void)SyncedDraftsService::decodeDraftList(bytes);
         return true;
     }},
    {u"linkedinflow"_s,
     [](const QByteArray &bytes) {
         if (const auto object = AppJson::decodeObject(bytes)) {
             (void)StartResponse::fromJson(JsonReader(*object));
             (void)ResultEnvelope::fromJson(JsonReader(*object));
         }
         return true;
     }},
    // A command byte, the selection's location and length (two bytes each, signed), then
    // the text as UTF-16, as the fuzz target reads them.
    {u"textformatting"_s,
     [](const QByteArray &bytes) {
         if (bytes.size() < 5)
             return true;
         const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
         const TextSelection selection{qsizetype(qint16(data[1] | data[2] << 8)),
                                       qsizetype(qint16(data[3] | data[4] << 8))};
         const QString text(reinterpret_cast<const QChar *>(data + 5), (bytes.size() - 5) / 2);
         const auto result =
             TextFormatting::apply(EditorFormatCommand(data[0] % 8), text, selection);
         return QStringView(result.text).isValidUtf16() == QStringView(text).isValidUtf16() &&
                result.selection.location >= 0 && result.selection.end() <= result.text.size();
     }},
    {u"todayreminder"_s,
     [](const QByteArray &bytes) {
         (void)TodayConsistencyResponse::decode(bytes);
         return true;
     }},
    {u"naturalizeanswer"_s,
     [](const QByteArray &bytes) {
         const auto rewrite = NaturalizeService::decodeRewrite(bytes);
         return !rewrite || !rewrite->isEmpty();
     }},
};

} // namespace

class TestDecoderRegressions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodersSurviveOnceFatalInputs_data()
    {
        QTest::addColumn<QString>("decoder");
        QTest::addColumn<QString>("file");

        QDirIterator it(QStringLiteral(QUILLET_TEST_DATA_DIR), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo file(it.next());
            const QString decoder = file.dir().dirName();
            QTest::addRow("%s/%s", qPrintable(decoder), qPrintable(file.fileName()))
                << decoder << file.filePath();
        }
    }
    void decodersSurviveOnceFatalInputs()
    {
        QFETCH(QString, decoder);
        QFETCH(QString, file);

        QVERIFY2(decoders.contains(decoder), qPrintable(u"no decoder named "_s + decoder));
        QFile input(file);
        QVERIFY(input.open(QIODevice::ReadOnly));
        QVERIFY(decoders.value(decoder)(input.readAll()));
    }
};

QTEST_GUILESS_MAIN(TestDecoderRegressions)
#include "tst_decoderregressions.moc"
