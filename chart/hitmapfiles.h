#pragma once

#include "filejudgement.h"
#include "mapindex.h"

#include <memory>
#include <string>
#include <vector>

class QGuiApplication;

// peakhound-search --hit-map DIR: gathers the cells of the file being emitted and writes the
// picture of every map file (spectra with stage positions, more than one) as DIR/NAME.png, NAME
// the file's name without its folder and extension. Drawn with QtGui on its offscreen
// platform, which is started at the first picture.
class HitMapFiles
{
public:
    // An empty folder: no pictures.
    HitMapFiles(std::string folder, std::vector<std::string> targets, bool scored);
    ~HitMapFiles();
    HitMapFiles(const HitMapFiles &) = delete;
    HitMapFiles &operator=(const HitMapFiles &) = delete;

    void add(const std::string &file, const SpectrumPlace &place, const FileJudgement &judgement);
    // At the end of the file's spectra: writes its picture when it is a map. False, with the
    // failure as "PATH: MESSAGE", when it cannot be written.
    bool finish(const std::string &file, std::string &failure);

private:
    std::string m_folder;
    std::vector<std::string> m_targets;
    bool m_scored;
    std::string m_file; // whose cells the index holds
    MapIndex m_map;
    std::unique_ptr<QGuiApplication> m_gui; // from the first picture on, ended with the object
};
