#pragma once

#include "filejudgement.h"
#include "mapindex.h"

#include <string>
#include <vector>

// peakhound-search --hit-map DIR: gathers the cells of the file being emitted and has the picture
// of every map file (spectra with stage positions, more than one) written as DIR/NAME.png, NAME
// the file's name without its folder and extension. The picture is drawn by peakhound-hitmap,
// installed beside the command, so that the search itself never loads a graphics library: the
// cells go to it as the table the map view saves, through a hidden file in DIR
// (.NAME.png.cells, removed after).
class HitMapFiles
{
public:
    // An empty folder: no pictures.
    HitMapFiles(std::string folder, std::vector<std::string> targets, bool scored);

    void add(const std::string &file, const SpectrumPlace &place, const FileJudgement &judgement);
    // At the end of the file's spectra: writes its picture when it is a map. False, with the
    // failure as "PATH: MESSAGE", when it cannot be written.
    bool finish(const std::string &file, std::string &failure);

    // The program that draws the pictures: peakhound-hitmap beside the running executable.
    static std::string Painter();

private:
    std::string m_folder;
    std::vector<std::string> m_targets;
    bool m_scored;
    std::string m_file; // whose cells the index holds
    MapIndex m_map;
};
