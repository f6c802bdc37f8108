#include "convert/FreeBitmap.h"

TFreeBitmap::TFreeBitmap(FREE_IMAGE_TYPE imageType, int width, int height, int bpp)
{
    if (width > 0 && height > 0 && bpp > 0)
        SetSize(imageType, width, height, bpp);
}

bool TFreeBitmap::IsValid() const
{
    return FDib != nullptr;
}

void TFreeBitmap::Clear()
{
    if (!FDib)
        return;
    FDib.reset();
    Change();
}

bool TFreeBitmap::SetSize(FREE_IMAGE_TYPE imageType, int width, int height, int bpp, unsigned redMask,
                          unsigned greenMask, unsigned blueMask)
{
    FDib.reset(FreeImage_Allocate(width, height, bpp, redMask, greenMask, blueMask));
    if (!FDib)
        return false;
    if (imageType == FIT_BITMAP && (bpp == 1 || bpp == 4 || bpp == 8)) {
        RGBQUAD* palette = FreeImage_GetPalette(FDib.get());
        const unsigned colours = FreeImage_GetColorsUsed(FDib.get());
        for (unsigned i = 0; i < colours; ++i) {
            const auto grey = static_cast<BYTE>(i);
            palette[i].rgbRed = grey;
            palette[i].rgbGreen = grey;
            palette[i].rgbBlue = grey;
        }
    }
    Change();
    return true;
}

bool TFreeBitmap::ConvertTo24Bits()
{
    if (!FDib)
        return false;
    return Replace(FreeImage_ConvertTo24Bits(FDib.get()));
}

bool TFreeBitmap::CanSave(FREE_IMAGE_FORMAT format) const
{
    if (!IsValid() || format == FIF_UNKNOWN)
        return false;
    const FREE_IMAGE_TYPE imageType = FreeImage_GetImageType(FDib.get());
    if (imageType != FIT_BITMAP)
        return FreeImage_FIFSupportsExportType(format, imageType);
    return FreeImage_FIFSupportsWriting(format) && FreeImage_FIFSupportsExportBPP(format, static_cast<int>(FreeImage_GetBPP(FDib.get())));
}

bool TFreeBitmap::Save(const std::string& fileName, int flags) const
{
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(fileName.c_str());
    if (!CanSave(format))
        return false;
    return FreeImage_Save(format, FDib.get(), fileName.c_str(), flags);
}

bool TFreeBitmap::Replace(FIBITMAP* newDib)
{
    if (!newDib)
        return false;
    // Unloading the held bitmap when it is handed in again would leave a dangling handle.
    if (newDib != FDib.get()) {
        FIBITMAP* oldDib = FDib.get();
        if (Changing(oldDib, newDib))
            static_cast<void>(FDib.release());  // the handler owns the old bitmap now
        FDib.reset(newDib);
    }
    Change();
    return true;
}

bool TFreeBitmap::Changing(FIBITMAP*& oldDib, FIBITMAP*& newDib)
{
    if (oldDib == newDib || !OnChanging)
        return false;
    bool handled = false;
    OnChanging(this, oldDib, newDib, handled);
    return handled;
}

void TFreeBitmap::Change()
{
    if (OnChange)
        OnChange(this);
}
