#include "app/CommandLine.h"

using namespace Qt::StringLiterals;

namespace {

// Only the letters A to Z are lowered, so that no other character (a dotted capital I,
// for one) can turn an argument into a switch.
QString lowerAsciiLetters(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return result;
}

} // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    for (const QString &argument : arguments) {
        const QString lowered = lowerAsciiLetters(argument);
        if (lowered == u"/minimized"_s)
            result.startMode = 1;
        else if (lowered == u"/tray"_s || lowered == u"/noa"_s)
            result.startMode = 2;
        else if (argument == u"--help"_s || argument == u"-h"_s)
            result.help = true;
        else if (argument == u"--version"_s)
            result.version = true;
    }
    return result;
}

QString CommandLineUsage()
{
    return u"Usage: kelvaro [/minimized | /tray | /noa]\n"
           u"\n"
           u"Starts Kelvaro, the game launcher. Only one Kelvaro runs at a time.\n"
           u"\n"
           u"  /minimized   start with the main window minimised\n"
           u"  /tray, /noa  start in the notification area\n"
           u"  --help       show this help and end\n"
           u"  --version    show the version and end\n"_s;
}

QString VersionLine()
{
    return u"Kelvaro "_s + QStringLiteral(KELVARO_VERSION) + u'\n';
}
