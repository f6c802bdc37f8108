// A thin owner of one FreeImage bitmap: sizing, conversion to 24 bits, and saving in the format that
// the file name asks for, when that format can take the picture.
#pragma once

#include <FreeImage.h>

#include <functional>
#include <memory>
#include <string>

class TFreeObject {
public:
    virtual ~TFreeObject() = default;
    virtual bool IsValid() const { return false; }
};

class TFreeBitmap : public TFreeObject {
public:
    using TChangeEvent = std::function<void(TFreeBitmap* Sender)>;
    // Raised before the held bitmap is replaced; a handler that sets Handled takes the old bitmap over.
    using TChangingEvent =
        std::function<void(TFreeBitmap* Sender, FIBITMAP*& OldDib, FIBITMAP*& NewDib, bool& Handled)>;

    // Empty unless width, height and bpp are all above 0.
    explicit TFreeBitmap(FREE_IMAGE_TYPE imageType = FIT_BITMAP, int width = 0, int height = 0, int bpp = 0);

    bool IsValid() const override;
    virtual void Clear();

    // The image type is not given to FreeImage; FIT_BITMAP only asks for a grey palette at 1, 4 and 8 bits.
    bool SetSize(FREE_IMAGE_TYPE imageType, int width, int height, int bpp, unsigned redMask = 0,
                 unsigned greenMask = 0, unsigned blueMask = 0);
    bool ConvertTo24Bits();
    bool CanSave(FREE_IMAGE_FORMAT format) const;
    // The format follows the file name's extension; flags go to FreeImage's writer (JPEG: the quality).
    bool Save(const std::string& fileName, int flags = 0) const;
    // Takes newDib over in place of the held bitmap; false for null.
    virtual bool Replace(FIBITMAP* newDib);

    FIBITMAP* Dib() const noexcept { return FDib.get(); }

    TChangeEvent OnChange;
    TChangingEvent OnChanging;

protected:
    virtual bool Changing(FIBITMAP*& oldDib, FIBITMAP*& newDib);
    virtual void Change();

private:
    struct TUnload {
        void operator()(FIBITMAP* dib) const noexcept { FreeImage_Unload(dib); }
    };

    std::unique_ptr<FIBITMAP, TUnload> FDib;
};
