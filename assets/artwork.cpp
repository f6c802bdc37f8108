#include "assets/artwork.h"

#include "controls/imagebutton.h"
#include "controls/sliderbar.h"

namespace Artwork {

void SetSliderArtwork(TSliderBar& slider)
{
    slider.SetBarLeft(QImage(SliderBarLeft));
    slider.SetBarRight(QImage(SliderBarRight));
    slider.SetBar(QImage(SliderBar));
    slider.SetBarPointer(QImage(SliderPointer));
    slider.SetBarPointerDown(QImage(SliderPointerDown));
    slider.SetBarProgress(QImage(SliderBarProgress));
}

void SetButtonArtwork(TImageButton& button, const TButtonArtwork& artwork)
{
    button.SetImage(QImage(artwork.Image));
    button.SetImageOver(QImage(artwork.ImageOver));
    button.SetImageDown(QImage(artwork.ImageDown));
    button.SetImageDisable(QImage(artwork.ImageDisable));
}

}  // namespace Artwork
