#include "spectrumtable.h"

SpectrumTableData SpectrumTable;
BadFileListData BadFileList;
PeakListData PeakList;
std::string StartDirectory;

void BadFileListData::Add(const std::string &name)
{
    if (static_cast<std::size_t>(Count) < Names.size())
        Names[static_cast<std::size_t>(Count)] = name;
    else
        Names.push_back(name);
    ++Count;
}
