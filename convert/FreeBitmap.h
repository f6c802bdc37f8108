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

    // Empty unless Width, Height and Bpp are all above 0.
    explicit TFreeBitmap(FREE_IMAGE_TYPE ImageType = FIT_BITMAP, int Width = 0, int Height = 0, int Bpp = 0);

    bool IsValid() const override;
    virtual void Clear();

    // The image type is not given to FreeImage; FIT_BITMAP only asks for a grey palette at 1, 4 and 8 bits.
    bool SetSize(FREE_IMAGE_TYPE ImageType, int Width, int Height, int Bpp, unsigned RedMask = 0,
                 unsigned GreenMask = 0, unsigned BlueMask = 0);
    bool ConvertTo24Bits();
    bool CanSave(FREE_IMAGE_FORMAT Format) const;
    // The format follows the file name's extension; Flags go to FreeImage's writer (JPEG: the quality).
    bool Save(const std::string& FileName, int Flags = 0) const;
    // Takes NewDib over in place of the held bitmap; false for null.
    virtual bool Replace(FIBITMAP* NewDib);

    FIBITMAP* Dib() const noexcept { return FDib.get(); }

    TChangeEvent OnChange;
    TChangingEvent OnChanging;

protected:
    virtual bool Changing(FIBITMAP*& OldDib, FIBITMAP*& NewDib);
    virtual void Change();

private:
    struct TUnload {
        void operator()(FIBITMAP* ADib) const noexcept { FreeImage_Unload(ADib); }
    };

    std::unique_ptr<FIBITMAP, TUnload> FDib;
};
