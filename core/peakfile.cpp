#include "peakfile.h"

#include "textfile.h"

void ReadPeakFile(const std::string &fileName,
                  const std::function<void(const std::string &)> &addLine)
{
    TextFile file(fileName);
    while (!file.Eof())
        addLine(std::string(file.ReadLine()));
}
