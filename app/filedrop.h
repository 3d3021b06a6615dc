#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>

class QWidget;

// The full names that a drop of the given URLs adds to a file list: a dropped file as it is, a
// dropped folder as the regular files directly inside it that match one of the name patterns
// (Qt wildcards, such as "*.[tT][xX][tT]"), hidden files left out. URLs that are not local files
// or folders add nothing.
QStringList DroppedFileNames(const QList<QUrl> &urls, const QStringList &folderPatterns);

// Makes a widget accept drops of local files and folders, and hands the names to add. While
// accepting() is false (a search is running) every drop is refused.
class FileDropTarget : public QObject
{
public:
    using AddNames = std::function<void(const QStringList &names)>;
    using Accepting = std::function<bool()>;

    FileDropTarget(QWidget *target, QStringList folderPatterns, AddNames add, Accepting accepting);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_patterns;
    AddNames m_add;
    Accepting m_accepting;
};
