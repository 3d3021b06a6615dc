#include "spectrumtable.h"

SpectrumTableData SpectrumTable;
BadFileListData BadFileList;
PeakListData PeakList;
std::string StartDirectory;

void BadFileListData::Add(const std::string &name, const std::string &reason)
{
    const auto k = static_cast<std::size_t>(Count);
    if (k < Names.size())
        Names[k] = name;
    else
        Names.push_back(name);
    if (k < Reasons.size())
        Reasons[k] = reason;
    else
        Reasons.resize(k + 1, reason);
    ++Count;
}
