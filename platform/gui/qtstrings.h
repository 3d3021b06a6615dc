#pragma once

#include <QString>
#include <string>

// The meeting point of the core's 8-bit strings and Qt's text. The core keeps a file's bytes as
// they are; the windows show them as UTF-8 when they are valid UTF-8 and as Latin-1 otherwise,
// so no byte of a peak file or a caption is ever lost on its way to the screen. File names take
// the file system's own encoding both ways.

QString ToQString(const std::string &bytes);
std::string ToStdString(const QString &text); // UTF-8

std::string FileNameToStd(const QString &fileName);
QString FileNameFromStd(const std::string &fileName);
