#include "app/NodeImageInformation.h"

#include "effects/PresetTable.h"

void appendPresets(QList<VideoRecord>& presets)
{
    for (const effects::Look& look : effects::presetLooks()) {
        auto preset = std::make_shared<NodeImageInformation>();
        static_cast<effects::Look&>(*preset) = look;
        presets.insert(presets.size(), preset);
    }
}
