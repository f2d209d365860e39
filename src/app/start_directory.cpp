#include "app/start_directory.h"

#include <QDir>

namespace {
const char* const kHomeVariable = "TAVO_VEZI_HOME";

// The current directory without a trailing separator ("" at the root), so
// that appending "/name" never doubles it.
QString CurrentDirectoryBase()
{
    QString dir = QDir::currentPath();
    if (dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}
} // namespace

std::optional<QString> EnterStartDirectory()
{
    const QString home = qEnvironmentVariable(kHomeVariable);
    if (home.isEmpty())
        return std::nullopt;
    if (!QDir().mkpath(home))
        return QStringLiteral("%1: cannot create the folder %2").arg(QLatin1String(kHomeVariable), home);
    if (!QDir::setCurrent(home))
        return QStringLiteral("%1: cannot change to the folder %2").arg(QLatin1String(kHomeVariable), home);
    return std::nullopt;
}

QString StartPath(const QString& name)
{
    return CurrentDirectoryBase() + QLatin1Char('/') + name;
}

QString HelpFilePath(const QString& helpTitle)
{
    QString name = helpTitle.trimmed();
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name == QLatin1String("/"))
        return {};
    if (!name.startsWith(QLatin1Char('/')))
        name.prepend(QLatin1Char('/'));
    return CurrentDirectoryBase() + name;
}
