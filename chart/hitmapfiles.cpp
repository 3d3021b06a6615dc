#include "hitmapfiles.h"

#include "hitmap.h"
#include "spectrumfile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QSaveFile>
#include <QString>
#include <memory>

namespace
{

// The picture's size: wide enough for a map's labels, tall enough for a square map; a strip
// needs no height.
constexpr int kPictureWidth = 900;
constexpr int kPictureHeight = 760;
constexpr int kStripPictureHeight = 160;

// Standard error carries the command's own messages alone.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) { }

std::unique_ptr<QGuiApplication> startGui()
{
    if (QGuiApplication::instance() != nullptr)
        return nullptr;
    // A batch command draws off any screen, whatever display the session has.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    qInstallMessageHandler(quiet);
    static int argc = 1;
    static char name[] = "peakhound-search";
    static char *argv[] = { name, nullptr };
    return std::make_unique<QGuiApplication>(argc, argv);
}

std::string pictureName(const std::string &file)
{
    std::string base = FileBaseName(file);
    const auto dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    return base + ".png";
}

} // namespace

HitMapFiles::HitMapFiles(std::string folder, std::vector<std::string> targets, bool scored)
    : m_folder(std::move(folder))
    , m_targets(std::move(targets))
    , m_scored(scored)
{
}

HitMapFiles::~HitMapFiles() = default;

void HitMapFiles::add(
    const std::string &file, const SpectrumPlace &place, const FileJudgement &judgement)
{
    if (m_folder.empty())
        return;
    if (file != m_file || place.Number == 1) {
        m_file = file;
        m_map.Start(m_targets.size());
    }
    m_map.Add(place, judgement);
}

bool HitMapFiles::finish(const std::string &file, std::string &failure)
{
    if (m_folder.empty() || file != m_file)
        return true;
    m_file.clear();
    if (m_map.Count() < 2)
        return true;
    const std::string fault = m_map.PositionFault();
    if (!fault.empty()) {
        failure = file + ": Positionen beschädigt: " + fault;
        return false;
    }
    if (!m_map.Positioned())
        return true;
    if (!m_gui)
        m_gui = startGui();
    HitMapLook look;
    look.Title = QString::fromStdString(FileBaseName(file));
    look.Scored = m_scored;
    const MapLayout layout = m_map.Arrange();
    const QImage image = HitMapImage(m_map, layout, look,
        QSize(
            kPictureWidth, layout.Shape == MapShape::Strip ? kStripPictureHeight : kPictureHeight));
    const std::string path = m_folder + "/" + pictureName(file);
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        failure = path + ": " + out.errorString().toStdString();
        return false;
    }
    return true;
}
