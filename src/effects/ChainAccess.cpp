// The controller's access to the effect chain (the preview, the thumbnails and
// the export all render through these).
#include "app/AppDelegate.h"
#include "effects/VintageChain.h"

imagefilter::Bitmap AppDelegate::CGImageRefFromImage(const QImage& image)
{
    return effects::CGImageRefFromImage(image);
}

QImage AppDelegate::imageFromCGImageRef(const imagefilter::Bitmap& bitmap)
{
    return effects::imageFromCGImageRef(bitmap);
}

QImage AppDelegate::imageVintage(const imagefilter::Bitmap& source,
                                 const NodeImageInformation& record)
{
    return effects::imageVintage(source, record);
}
