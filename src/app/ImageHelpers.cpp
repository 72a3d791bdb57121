// The controller's image helpers: the effect chain (the preview, the
// thumbnails and the export all render through these), fitting and scaling.
#include "app/AppDelegate.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "views/ImageFitting.h"

imagefilter::Bitmap AppDelegate::CGImageRefFromImage(const QImage& image)
{
    return pictures::bitmapFromImage(image);
}

QImage AppDelegate::imageFromCGImageRef(const imagefilter::Bitmap& bitmap)
{
    return pictures::imageFromBitmap(bitmap);
}

QImage AppDelegate::imageVintage(const imagefilter::Bitmap& source,
                                 const NodeImageInformation& record,
                                 const projector::FramePlace& place)
{
    return pictures::vintageImage(source, record, place);
}

QRectF AppDelegate::return_Best_Fit_Frame(QSizeF imageSize, QSizeF frameSize)
{
    return views::returnBestFitFrame(imageSize, frameSize);
}

QImage AppDelegate::Scale_Image(const QImage& image, QSizeF size)
{
    return views::scaleImage(image, size);
}
