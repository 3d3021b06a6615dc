// peakhound-hitmap: draws the hit map of a map's cell table (the table the map view saves and
// peakhound-search --hit-map hands over) as a picture, off any screen.

#include "hitmap.h"
#include "language.h"
#include "mapindex.h"
#include "translatable.h"

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

constexpr const char *kUsage =
    "Usage: peakhound-hitmap [--title TEXT] [--unit TEXT] [--scored] CELLS PICTURE\n"
    "Draws the cells of a map (the tab-separated table of X, Y, Ausgewählt, Fehlend, Güte and\n"
    "the sought peaks, with a decimal point) at their stage positions as PICTURE (PNG, or the\n"
    "type its extension names).\n"
    "  --title TEXT   the picture's title (default: none)\n"
    "  --unit TEXT    the unit of the positions (default: µm)\n"
    "  --scored       shade the cells by score, with a colour bar\n"
    "Exit status: 0 written, 1 the cells or the picture failed, 2 wrong usage.\n";

// The picture's size: wide enough for a map's labels, tall enough for a square map; a strip
// needs no height.
constexpr int kPictureWidth = 900;
constexpr int kPictureHeight = 760;
constexpr int kStripPictureHeight = 160;
// A table of cells larger than this is not a map's (a few dozen bytes a cell, 10^7 cells).
constexpr qint64 kLargestTable = qint64 { 1 } << 30;

// Standard error carries the command's own messages alone.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) { }

int fail(const QString &path, const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", path.toLocal8Bit().constData(), message.toUtf8().constData());
    return 1;
}

// A message of the program's own, in the user's language.
int fail(const QString &path, const std::string &german)
{
    return fail(path, QString::fromStdString(TranslatedMessage(german)));
}

} // namespace

int main(int argc, char **argv)
{
    HitMapLook look;
    QString paths[2];
    int given = 0;
    for (int i = 1; i < argc; ++i) {
        const bool valued =
            std::strcmp(argv[i], "--title") == 0 || std::strcmp(argv[i], "--unit") == 0;
        if (valued && i + 1 < argc) {
            (std::strcmp(argv[i], "--title") == 0 ? look.Title : look.Unit) =
                QString::fromLocal8Bit(argv[i + 1]);
            ++i;
        } else if (std::strcmp(argv[i], "--scored") == 0) {
            look.Scored = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (argv[i][0] != '-' && given < 2) {
            paths[given++] = QString::fromLocal8Bit(argv[i]);
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (given != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // A command draws off any screen, whatever display the session has.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    qInstallMessageHandler(quiet);
    QGuiApplication application(argc, argv);
    SetMessageLanguage(LanguageFromEnvironment());

    QFile in(paths[0]);
    if (!in.open(QIODevice::ReadOnly))
        return fail(paths[0], in.errorString());
    if (in.size() > kLargestTable)
        return fail(paths[0], std::string(QT_TRANSLATE_NOOP("Messages", "zu groß")));
    const QByteArray text = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return fail(paths[0], in.errorString());
    MapIndex map;
    std::string fault;
    if (!ReadMapTable(
            std::string_view(text.constData(), static_cast<std::size_t>(text.size())), map, fault))
        return fail(paths[0], fault);
    if (map.Count() == 0)
        return fail(paths[0], std::string(QT_TRANSLATE_NOOP("Messages", "keine Zellen")));
    fault = map.PositionFault();
    if (!fault.empty())
        return fail(paths[0],
            std::string(QT_TRANSLATE_NOOP("Messages", "Positionen beschädigt")) + ": " + fault);

    const MapLayout layout = map.Arrange();
    const QImage image = HitMapImage(map, layout, look,
        QSize(
            kPictureWidth, layout.Shape == MapShape::Strip ? kStripPictureHeight : kPictureHeight));
    QByteArray format("png");
    const qsizetype dot = paths[1].lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QByteArray suffix = paths[1].mid(dot + 1).toLower().toLatin1();
        if (QImageWriter::supportedImageFormats().contains(suffix))
            format = suffix;
    }
    QSaveFile out(paths[1]);
    if (!out.open(QIODevice::WriteOnly))
        return fail(paths[1], out.errorString());
    if (!image.save(&out, format.constData())) {
        out.cancelWriting();
        return fail(paths[1], std::string(QT_TRANSLATE_NOOP("Messages", "Bild nicht geschrieben")));
    }
    if (!out.commit())
        return fail(paths[1], out.errorString());
    return 0;
}
