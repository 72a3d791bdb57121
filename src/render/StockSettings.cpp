#include "render/StockSettings.h"

#include "stock/CubeCache.h"

#include <QFileInfo>
#include <cmath>

namespace render {

QStringList stockNames()
{
    return {QStringLiteral("stock"), QStringLiteral("stockstrength")};
}

bool applyStock(NodeImageInformation& record, const QString& name, const QString& value,
                QString& error)
{
    error.clear();
    if (name == QLatin1String("stockstrength")) {
        bool isNumber = false;
        const float strength = value.toFloat(&isNumber);
        if (!isNumber || !std::isfinite(strength) || strength < 0 || strength > 100)
            error = QStringLiteral("--set stockstrength: \"%1\" is not a number from 0 to 100")
                        .arg(value);
        else
            record.setF_Stock_Strength(strength);
        return true;
    }
    if (name != QLatin1String("stock"))
        return false;
    if (value.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        record.setS_Stock(std::string());
        return true;
    }
    if (value.isEmpty()) {
        error = QStringLiteral("--set stock: expected a .cube file or none");
        return true;
    }
    const std::string path = QFileInfo(value).absoluteFilePath().toStdString();
    const stock::LoadedCube loaded = stock::loadCube(path);
    if (!loaded.cube) {
        error = QStringLiteral("--set stock: film stock %1 cannot be used: %2")
                    .arg(value, QString::fromStdString(loaded.error));
        return true;
    }
    record.setS_Stock(path);
    return true;
}

QString stockValues(const QString& name)
{
    if (name == QLatin1String("stock"))
        return QStringLiteral("FILE|none");
    if (name == QLatin1String("stockstrength"))
        return QStringLiteral("0..100");
    return QString();
}

} // namespace render
