#include "DevServerOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

QString DevServerOptions::defaultDataFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/quillet-devserver/data.json"_s;
}

Result<DevServerOptions> DevServerOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Answers Quillet's server API on 127.0.0.1 for development and tests."_s);
    const QCommandLineOption helpOption({u"h"_s, u"help"_s}, u"Show this help."_s);
    const QCommandLineOption portOption(
        u"port"_s, u"Port to listen on; 0 picks a free one (default %1)."_s.arg(defaultPort),
        u"N"_s, QString::number(defaultPort));
    const QCommandLineOption dataOption(
        u"data"_s, u"The JSON file that keeps the data (default %1)."_s.arg(defaultDataFile()),
        u"FILE"_s, defaultDataFile());
    const QCommandLineOption schemeOption(
        u"callback-scheme"_s,
        u"The application's callback URL scheme (default %1)."_s.arg(defaultCallbackScheme), u"S"_s,
        defaultCallbackScheme);
    parser.addOptions({helpOption, portOption, dataOption, schemeOption});

    if (!parser.parse(arguments))
        return fail(Error::service(Problem::Invalid, parser.errorText()));
    if (parser.isSet(helpOption))
        return fail(Error::service(Problem::Help, parser.helpText()));
    if (!parser.positionalArguments().isEmpty())
        return fail(Error::service(Problem::Invalid, u"unexpected argument \"%1\""_s.arg(
                                                         parser.positionalArguments().first())));

    DevServerOptions options;
    bool isNumber = false;
    const uint port = parser.value(portOption).toUInt(&isNumber);
    if (!isNumber || port > 65535)
        return fail(Error::service(
            Problem::Invalid,
            u"--port wants a number from 0 to 65535, not \"%1\""_s.arg(parser.value(portOption))));
    options.port = static_cast<quint16>(port);

    options.dataFile = parser.value(dataOption);
    if (options.dataFile.isEmpty())
        return fail(Error::service(Problem::Invalid, u"--data wants a file name"_s));

    static const QRegularExpression schemePattern(u"^[A-Za-z][A-Za-z0-9+.-]*$"_s);
    options.callbackScheme = parser.value(schemeOption);
    if (!schemePattern.match(options.callbackScheme).hasMatch())
        return fail(Error::service(
            Problem::Invalid,
            u"--callback-scheme wants a URL scheme, not \"%1\""_s.arg(options.callbackScheme)));
    return options;
}
