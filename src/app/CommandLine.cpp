#include "app/CommandLine.h"

#include <QFileInfo>
#include <QUrl>

namespace app {

QString fileToOpen(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        const QString path =
            argument.startsWith(QLatin1String("file:")) ? QUrl(argument).toLocalFile() : argument;
        return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    }
    return QString();
}

} // namespace app
