#include "CatalogueGenerator.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <array>
#include <cmath>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array Adjectives{u"Crimson", u"Silent",    u"Broken", u"Eternal",  u"Frozen",
                                u"Hidden",  u"Iron",      u"Lost",   u"Midnight", u"Neon",
                                u"Savage",  u"Shattered", u"Solar",  u"Wild"};
constexpr std::array Nouns{u"Frontier",   u"Legends", u"Empire",  u"Odyssey", u"Kingdom",
                           u"Protocol",   u"Horizon", u"Dungeon", u"Racer",   u"Tactics",
                           u"Chronicles", u"Siege",   u"Voyage"};
constexpr std::array Publishers{u"Bluebyte Works", u"Northwind",   u"Pixel Forge",
                                u"Redstone Games", u"Seven Hills", u"Vortex Studios"};
constexpr std::array Genres{u"Action",       u"Adventure", u"Arcade",     u"Puzzle", u"Racing",
                            u"Role-Playing", u"Shooter",   u"Simulation", u"Sports", u"Strategy"};

// A list file as the program writes it: byte-order mark, UTF-16LE, CR LF.
class ListFileWriter
{
public:
    void line(const QString &text)
    {
        m_text += text;
        m_text += u"\r\n"_s;
    }
    void key(const QString &name, const QString &value) { line(name + u'=' + value); }

    qint64 save(const QString &path) const
    {
        QByteArray bytes(2 + m_text.size() * 2, Qt::Uninitialized);
        bytes[0] = char(0xFF);
        bytes[1] = char(0xFE);
        qToLittleEndian<char16_t>(m_text.utf16(), m_text.size(), bytes.data() + 2);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size() || !file.flush())
            throw std::runtime_error("cannot write " + path.toStdString());
        return bytes.size();
    }

private:
    QString m_text;
};

void writeGame(ListFileWriter &out, int number)
{
    const QString title = u"%1 %2 %3"_s
                              .arg(QStringView(Adjectives[number % Adjectives.size()]),
                                   QStringView(Nouns[(number / 7) % Nouns.size()]))
                              .arg(number, 6, 10, QLatin1Char('0'));
    const QString publisher = QStringView(Publishers[number % Publishers.size()]).toString();
    QString exe = title.toLower();
    exe.remove(u' ');
    const QString dir = u"C:\\Games\\"_s + publisher + u'\\' + title + u'\\';
    out.line(u'[' + title + u']');
    out.key(u"Type"_s, u"Game"_s);
    out.key(u"GameFile"_s, dir + u"Bin\\"_s + exe + u".exe"_s);
    out.key(u"GamePath"_s, dir);
    out.key(u"GameParams"_s, number % 3 == 0 ? u"-fullscreen -nosound"_s : QString());
    out.key(u"GameIcon"_s, dir + u"Bin\\"_s + exe + u".exe,0"_s);
}

void writeCategory(ListFileWriter &out, const QString &name, const QString &file)
{
    out.line(u'[' + name + u']');
    out.key(u"Type"_s, u"Category"_s);
    out.key(u"CategoryIcon"_s, u"DEFAULTCATICON"_s);
    out.key(u"CategoryFile"_s, file);
}

} // namespace

GeneratedCatalogue GenerateCatalogue(const QString &directory, int games, int gamesPerCategory)
{
    if (!QDir().mkpath(directory))
        throw std::runtime_error("cannot create " + directory.toStdString());
    const QDir dir(directory);
    GeneratedCatalogue result;
    result.rootFile = dir.filePath(u"Kelvaro.ini"_s);

    // A few games stay in the root; the rest fill leaf categories below top-level ones.
    const int rootGames = std::min(games, 10);
    const int leafGames = games - rootGames;
    const int leaves = (leafGames + gamesPerCategory - 1) / gamesPerCategory;
    const int tops = leaves == 0 ? 0 : int(std::ceil(std::sqrt(double(leaves))));

    int number = 0;
    ListFileWriter root;
    for (int i = 0; i < rootGames; ++i)
        writeGame(root, number++);

    int leaf = 0;
    for (int t = 0; t < tops && leaf < leaves; ++t) {
        const QString topName = u"%1 %2"_s.arg(QStringView(Genres[t % Genres.size()]))
                                    .arg(t + 1, 2, 10, QLatin1Char('0'));
        const QString topFile = topName + u".ini"_s;
        writeCategory(root, topName, topFile);
        ++result.categories;

        ListFileWriter top;
        const int perTop = (leaves + tops - 1) / tops;
        for (int s = 0; s < perTop && leaf < leaves; ++s, ++leaf) {
            const QString subName = u"%1 - Part %2"_s.arg(topName).arg(s + 1);
            const QString subFile = subName + u".ini"_s;
            writeCategory(top, subName, subFile);
            ++result.categories;

            ListFileWriter sub;
            const int count = std::min(gamesPerCategory, leafGames - leaf * gamesPerCategory);
            for (int g = 0; g < count; ++g)
                writeGame(sub, number++);
            result.bytes += sub.save(dir.filePath(subFile));
            ++result.listFiles;
        }
        result.bytes += top.save(dir.filePath(topFile));
        ++result.listFiles;
    }
    result.bytes += root.save(result.rootFile);
    ++result.listFiles;
    result.games = number;
    return result;
}
