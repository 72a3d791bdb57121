#include "media/NameLength.h"

namespace media {

QString leadingCharacters(const QString& text, qsizetype bytes)
{
    QString kept;
    qsizetype used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        const qsizetype size = character.toUtf8().size();
        if (used + size > bytes)
            break;
        kept += character;
        used += size;
        i += length;
    }
    return kept;
}

} // namespace media
