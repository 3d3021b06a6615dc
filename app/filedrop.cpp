#include "filedrop.h"

#include "guard.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QWidget>

QStringList DroppedFileNames(const QList<QUrl> &urls, const QStringList &folderPatterns)
{
    QStringList names;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir()) {
            const QDir folder(info.absoluteFilePath());
            const QFileInfoList files =
                folder.entryInfoList(folderPatterns, QDir::Files, QDir::Name);
            for (const QFileInfo &file : files) {
                if (file.isFile())
                    names << QDir::toNativeSeparators(file.absoluteFilePath());
            }
        } else if (info.isFile()) {
            names << QDir::toNativeSeparators(info.absoluteFilePath());
        }
    }
    return names;
}

FileDropTarget::FileDropTarget(
    QWidget *target, QStringList folderPatterns, AddNames add, Accepting accepting)
    : QObject(target)
    , m_patterns(std::move(folderPatterns))
    , m_add(std::move(add))
    , m_accepting(std::move(accepting))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    (void)watched;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (m_accepting() && drag->mimeData()->hasUrls())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!m_accepting() || !drop->mimeData()->hasUrls()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        const QStringList names = DroppedFileNames(drop->mimeData()->urls(), m_patterns);
        Guarded([&] { m_add(names); });
        return true;
    }
    default:
        return false;
    }
}
