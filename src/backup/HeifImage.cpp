#include "backup/HeifImage.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace {

const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                               "mif1", "msf1", "heif", "avif", "avis"};

struct ContextFree
{
    void operator()(heif_context* aContext) const { heif_context_free(aContext); }
};
struct HandleFree
{
    void operator()(heif_image_handle* aHandle) const { heif_image_handle_release(aHandle); }
};
struct ImageFree
{
    void operator()(heif_image* aImage) const { heif_image_release(aImage); }
};

bool failed(heif_error aError, QString* aMessage)
{
    if (aError.code == heif_error_Ok)
        return false;
    if (aMessage)
        *aMessage = QString::fromUtf8(aError.message ? aError.message : "libheif error");
    return true;
}

} // namespace

bool HeifImage::looksLikeHeif(QByteArrayView aData)
{
    if (aData.size() < 12 || std::memcmp(aData.data() + 4, "ftyp", 4) != 0)
        return false;
    for (const char* brand : kBrands) {
        if (std::memcmp(aData.data() + 8, brand, 4) == 0)
            return true;
    }
    return false;
}

bool HeifImage::isHeifType(const QString& aMimeType)
{
    for (const char* type : {"image/heic", "image/heif", "image/heic-sequence",
                             "image/heif-sequence", "image/avif"}) {
        if (aMimeType.compare(QLatin1String(type), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QImage HeifImage::decode(QByteArrayView aData, QString* aError)
{
    static const bool initialised = heif_init(nullptr).code == heif_error_Ok;
    Q_UNUSED(initialised);

    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) {
        if (aError)
            *aError = QStringLiteral("out of memory");
        return QImage();
    }
    if (failed(heif_context_read_from_memory_without_copy(context.get(), aData.data(),
                                                          size_t(aData.size()), nullptr),
               aError))
        return QImage();
    heif_image_handle* rawHandle = nullptr;
    if (failed(heif_context_get_primary_image_handle(context.get(), &rawHandle), aError))
        return QImage();
    std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);

    const qint64 width = heif_image_handle_get_width(handle.get());
    const qint64 height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0 || width * height > kMaxPixels) {
        if (aError)
            *aError = QStringLiteral("unusable picture size %1x%2").arg(width).arg(height);
        return QImage();
    }

    heif_image* rawImage = nullptr;
    if (failed(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                                 heif_chroma_interleaved_RGBA, nullptr),
               aError))
        return QImage();
    std::unique_ptr<heif_image, ImageFree> image(rawImage);

    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    // The decoded size may differ from the handle's (rotation); take the image's own.
    const int decodedWidth = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int decodedHeight = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || decodedWidth <= 0 || decodedHeight <= 0 || stride < decodedWidth * 4
        || qint64(decodedWidth) * decodedHeight > kMaxPixels) {
        if (aError)
            *aError = QStringLiteral("no picture decoded");
        return QImage();
    }
    // copy() detaches the pixels from libheif's buffer, which goes with the image.
    return QImage(pixels, decodedWidth, decodedHeight, stride, QImage::Format_RGBA8888).copy();
}
