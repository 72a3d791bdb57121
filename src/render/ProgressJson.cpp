#include "render/ProgressJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace render {

namespace {

double tenths(double value)
{
    return std::round(value * 10.0) / 10.0;
}

} // namespace

QByteArray progressJsonLine(const ProgressEvent& event)
{
    QJsonObject object{{QStringLiteral("file"), event.file},
                       {QStringLiteral("state"), event.state},
                       {QStringLiteral("frame"), event.frame},
                       {QStringLiteral("frames"), event.frames},
                       {QStringLiteral("fps"), tenths(event.fps)},
                       {QStringLiteral("eta"),
                        event.eta ? QJsonValue(tenths(*event.eta)) : QJsonValue(QJsonValue::Null)}};
    if (!event.result.isEmpty())
        object.insert(QStringLiteral("result"), event.result);
    if (!event.error.isEmpty())
        object.insert(QStringLiteral("error"), event.error);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace render
