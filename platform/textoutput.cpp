#include "textoutput.h"

#include "atomicfile.h"

void WriteTextFile(const std::string &fileName, const std::string &text)
{
    WriteFileAtomically(fileName, text);
}
