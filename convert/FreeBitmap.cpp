#include "convert/FreeBitmap.h"

TFreeBitmap::TFreeBitmap(FREE_IMAGE_TYPE ImageType, int Width, int Height, int Bpp)
{
    if (Width > 0 && Height > 0 && Bpp > 0)
        SetSize(ImageType, Width, Height, Bpp);
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

bool TFreeBitmap::SetSize(FREE_IMAGE_TYPE ImageType, int Width, int Height, int Bpp, unsigned RedMask,
                          unsigned GreenMask, unsigned BlueMask)
{
    FDib.reset(FreeImage_Allocate(Width, Height, Bpp, RedMask, GreenMask, BlueMask));
    if (!FDib)
        return false;
    if (ImageType == FIT_BITMAP && (Bpp == 1 || Bpp == 4 || Bpp == 8)) {
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

bool TFreeBitmap::CanSave(FREE_IMAGE_FORMAT Format) const
{
    if (!IsValid() || Format == FIF_UNKNOWN)
        return false;
    const FREE_IMAGE_TYPE imageType = FreeImage_GetImageType(FDib.get());
    if (imageType != FIT_BITMAP)
        return FreeImage_FIFSupportsExportType(Format, imageType);
    return FreeImage_FIFSupportsWriting(Format) &&
        FreeImage_FIFSupportsExportBPP(Format, static_cast<int>(FreeImage_GetBPP(FDib.get())));
}

bool TFreeBitmap::Save(const std::string& FileName, int Flags) const
{
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(FileName.c_str());
    if (!CanSave(format))
        return false;
    return FreeImage_Save(format, FDib.get(), FileName.c_str(), Flags);
}

bool TFreeBitmap::Replace(FIBITMAP* NewDib)
{
    if (!NewDib)
        return false;
    // Unloading the held bitmap when it is handed in again would leave a dangling handle.
    if (NewDib != FDib.get()) {
        FIBITMAP* oldDib = FDib.get();
        if (Changing(oldDib, NewDib))
            static_cast<void>(FDib.release());  // the handler owns the old bitmap now
        FDib.reset(NewDib);
    }
    Change();
    return true;
}

bool TFreeBitmap::Changing(FIBITMAP*& OldDib, FIBITMAP*& NewDib)
{
    if (OldDib == NewDib || !OnChanging)
        return false;
    bool handled = false;
    OnChanging(this, OldDib, NewDib, handled);
    return handled;
}

void TFreeBitmap::Change()
{
    if (OnChange)
        OnChange(this);
}
