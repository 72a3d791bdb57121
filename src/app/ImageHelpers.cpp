// The controller's image helpers: the effect chain (the preview, the
// thumbnails and the export all render through these), fitting and scaling.
#include "app/AppDelegate.h"
#include "effects/VintageChain.h"
#include "views/ImageFitting.h"

imagefilter::Bitmap AppDelegate::CGImageRefFromImage(const QImage& image)
{
    return effects::CGImageRefFromImage(image);
}

QImage AppDelegate::imageFromCGImageRef(const imagefilter::Bitmap& bitmap)
{
    return effects::imageFromCGImageRef(bitmap);
}

QImage AppDelegate::imageVintage(const imagefilter::Bitmap& source,
                                 const NodeImageInformation& record,
                                 const projector::FramePlace& place)
{
    return effects::imageVintage(source, record, place);
}

QRectF AppDelegate::return_Best_Fit_Frame(QSizeF imageSize, QSizeF frameSize)
{
    return views::returnBestFitFrame(imageSize, frameSize);
}

QImage AppDelegate::Scale_Image(const QImage& image, QSizeF size)
{
    return views::scaleImage(image, size);
}
