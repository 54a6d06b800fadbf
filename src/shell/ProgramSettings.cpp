#include "ProgramSettings.h"

#include <QDir>
#include <QSettings>

#ifdef TARVIK_HAVE_ENGINE
#include "Report.h"
#endif

namespace tarvik::shell {

namespace {

const QString kExportFolderKey = QStringLiteral("Export/Folder");

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tarvik"), QStringLiteral("reports"));
}

void useExportFolder(const QString& folder)
{
#ifdef TARVIK_HAVE_ENGINE
    engine::Report::setDefaultExportFolder(folder);
#else
    Q_UNUSED(folder);
#endif
}

} // namespace

QString programSettingsFile()
{
    return settings().fileName();
}

QString savedExportFolder()
{
    return settings().value(kExportFolderKey).toString().trimmed();
}

void saveExportFolder(const QString& folder)
{
    const QString clean = folder.trimmed().isEmpty() ? QString() : QDir::cleanPath(folder.trimmed());
    QSettings s = settings();
    if (clean.isEmpty())
        s.remove(kExportFolderKey);
    else
        s.setValue(kExportFolderKey, clean);
    s.sync();
    useExportFolder(clean);
}

void applyProgramSettings()
{
    const QString folder = savedExportFolder();
    if (!folder.isEmpty())
        useExportFolder(QDir::cleanPath(folder));
}

} // namespace tarvik::shell
