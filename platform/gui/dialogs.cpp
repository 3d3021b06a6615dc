#include "dialogs.h"

#include "translatable.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <utility>

namespace
{

OpenDialogHook &hook()
{
    static OpenDialogHook instance;
    return instance;
}

SaveDialogHook &saveHook()
{
    static SaveDialogHook instance;
    return instance;
}

// "*.txt" -> "*.[tT][xX][tT]", "*.*" -> "*": the patterns of the layouts are meant for a file
// system that ignores case and for which "*.*" is every file.
QString qtPattern(const QString &pattern)
{
    const QString trimmed = pattern.trimmed();
    if (trimmed == QStringLiteral("*.*"))
        return QStringLiteral("*");
    QString result;
    for (const QChar c : trimmed) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            result += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            result += c;
    }
    return result;
}

// "a.[pP][nN][gG]" -> "a.png": the save dialog puts the chosen type's first pattern in place of
// the name's extension, and the patterns spell each letter in both cases.
QString plainExtension(const QString &name)
{
    static const QRegularExpression bracket(QStringLiteral("\\[(\\p{Ll})(\\p{Lu})\\]"));
    QString plain;
    qsizetype from = 0;
    for (auto match = bracket.globalMatch(name); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        if (m.captured(1).toUpper() != m.captured(2))
            continue;
        plain += QStringView(name).mid(from, m.capturedStart() - from);
        plain += m.captured(1);
        from = m.capturedEnd();
    }
    plain += QStringView(name).mid(from);
    return plain;
}

// Keeps the name the save dialog shows free of the patterns' letter brackets, also when the user
// picks another type (the dialog's own handling of the pick runs first).
void keepPlainNames(QFileDialog &dialog)
{
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    if (edit == nullptr)
        return;
    const auto fix = [edit] {
        const QString plain = plainExtension(edit->text());
        if (plain != edit->text())
            edit->setText(plain);
    };
    fix();
    if (types != nullptr)
        QObject::connect(types, &QComboBox::activated, edit, fix);
}

struct PictureSizeFields {
    QSpinBox *Width = nullptr;
    QSpinBox *Height = nullptr;
    QSpinBox *Dpi = nullptr;
    QSpinBox *TextSize = nullptr;
};

// A row below the file type: width, height (0: as shown), the dots per inch (0: none) and the
// text size in points (0: as shown).
PictureSizeFields addPictureSizeFields(QFileDialog &dialog, const TSavePictureDialog &settings)
{
    PictureSizeFields fields;
    auto *row = new QHBoxLayout;
    const auto add = [&](const QString &caption, int value, int maximum, const QString &zero) {
        auto *label = new QLabel(caption, &dialog);
        auto *box = new QSpinBox(&dialog);
        box->setRange(0, maximum);
        box->setSpecialValueText(zero);
        box->setValue(value);
        label->setBuddy(box);
        box->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
        row->addWidget(label);
        row->addWidget(box);
        return box;
    };
    const QString shown = QCoreApplication::translate("TSavePictureDialog", "wie angezeigt");
    fields.Width = add(QCoreApplication::translate("TSavePictureDialog", "Bild&breite (Pixel):"),
        settings.PictureWidth, 20000, shown);
    fields.Height = add(QCoreApplication::translate("TSavePictureDialog", "Bild&höhe (Pixel):"),
        settings.PictureHeight, 20000, shown);
    fields.Dpi = add(QCoreApplication::translate("TSavePictureDialog", "Auflösung (dpi, PNG):"),
        settings.PictureDpi, 4800, QCoreApplication::translate("TSavePictureDialog", "keine"));
    fields.TextSize = add(QCoreApplication::translate("TSavePictureDialog", "&Schriftgröße (pt):"),
        settings.PictureTextSize, 72, shown);
    row->addStretch();
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    else if (dialog.layout() != nullptr)
        dialog.layout()->addItem(row);
    return fields;
}

// The names of the file types the dialogs offer, for the translation (a filter's text is German).
[[maybe_unused]] const char *const kFileTypeNames[] = {
    QT_TRANSLATE_NOOP("FileTypes", "Textdateien"),
    QT_TRANSLATE_NOOP("FileTypes", "Alle Dateien"),
    QT_TRANSLATE_NOOP("FileTypes", "Spektrendateien"),
    QT_TRANSLATE_NOOP("FileTypes", "Tabulatorgetrennte Texte"),
    QT_TRANSLATE_NOOP("FileTypes", "Bitmaps"),
    QT_TRANSLATE_NOOP("FileTypes", "Metadateien"),
    QT_TRANSLATE_NOOP("FileTypes", "PNG-Bild"),
    QT_TRANSLATE_NOOP("FileTypes", "SVG-Grafik"),
    QT_TRANSLATE_NOOP("FileTypes", "PDF-Dokument"),
};

// "Textdateien (*.txt)" in the language of the windows: the name before its patterns translated.
QString translatedFileType(const QString &description)
{
    const qsizetype patterns = description.indexOf(QStringLiteral(" ("));
    const QString name = patterns < 0 ? description : description.left(patterns);
    return QCoreApplication::translate("FileTypes", name.toUtf8().constData())
        + description.mid(name.size());
}

} // namespace

QStringList QtNameFilters(const QString &filter)
{
    // Each entry shows its description and carries its patterns in a last pair of brackets,
    // which the dialog hides (HideNameFilterDetails).
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << qtPattern(pattern);
        filters << translatedFileType(parts[i]) + QStringLiteral(" (")
                + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

int FilterNumber(const QStringList &filters, const QString &selected)
{
    // The dialog names the chosen filter without the patterns it hides.
    for (int i = 0; i < filters.size(); ++i)
        if (filters[i] == selected || filters[i].startsWith(selected + QStringLiteral(" (")))
            return i + 1;
    return 0;
}

QStringList TOpenDialog::QtNameFilters() const
{
    return ::QtNameFilters(Filter);
}

bool TOpenDialog::Execute(QWidget *parent)
{
    QStringList chosen;
    bool confirmed = false;
    if (hook()) {
        confirmed = hook()(*this, chosen);
    } else {
        QFileDialog dialog(parent);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (Options.AllowMultiSelect)
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else if (Options.FileMustExist)
            dialog.setFileMode(QFileDialog::ExistingFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDirectory(InitialDir.isEmpty() ? QDir::currentPath() : InitialDir);
        const QStringList filters = QtNameFilters();
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            if (FilterIndex >= 1 && FilterIndex <= filters.size())
                dialog.selectNameFilter(filters[FilterIndex - 1]);
        }
        confirmed = dialog.exec() == QDialog::Accepted;
        if (confirmed)
            chosen = dialog.selectedFiles();
    }
    if (!confirmed || chosen.isEmpty())
        return false;

    Files.clear();
    for (const QString &name : std::as_const(chosen))
        Files << QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
    FileName = Files.first();
    if (!Options.NoChangeDir)
        QDir::setCurrent(QFileInfo(FileName).absolutePath());
    return true;
}

void SetOpenDialogHook(OpenDialogHook hook_)
{
    hook() = std::move(hook_);
}

bool TSavePictureDialog::Execute(QWidget *parent)
{
    QString chosen = FileName;
    int chosenFilter = FilterIndex;
    bool confirmed = false;
    const QStringList filters = QtNameFilters(Filter) + QtNameFilters(MoreFilter);
    if (saveHook()) {
        confirmed = saveHook()(*this, chosen, chosenFilter);
    } else {
        QFileDialog dialog(parent);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !Options.OverwritePrompt);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!FileName.isEmpty())
            dialog.selectFile(FileName);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            if (FilterIndex >= 1 && FilterIndex <= filters.size())
                dialog.selectNameFilter(filters[FilterIndex - 1]);
        }
        keepPlainNames(dialog);
        PictureSizeFields sizeFields;
        if (AskPictureSize)
            sizeFields = addPictureSizeFields(dialog, *this);
        confirmed = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        if (confirmed && AskPictureSize) {
            PictureWidth = sizeFields.Width->value();
            PictureHeight = sizeFields.Height->value();
            PictureDpi = sizeFields.Dpi->value();
            PictureTextSize = sizeFields.TextSize->value();
        }
        if (confirmed) {
            chosen = dialog.selectedFiles().first();
            chosenFilter = FilterNumber(filters, dialog.selectedNameFilter());
        }
    }
    if (!confirmed || chosen.isEmpty())
        return false;
    FileName = QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath());
    FilterIndex = chosenFilter >= 1 ? chosenFilter : 1;
    return true;
}

void SetSaveDialogHook(SaveDialogHook hook_)
{
    saveHook() = std::move(hook_);
}
