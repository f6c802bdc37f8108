#include "assets/artwork.h"

#include "controls/imagebutton.h"
#include "controls/sliderbar.h"

namespace Artwork {

void SetSliderArtwork(TSliderBar& Slider)
{
    Slider.SetBarLeft(QImage(SliderBarLeft));
    Slider.SetBarRight(QImage(SliderBarRight));
    Slider.SetBar(QImage(SliderBar));
    Slider.SetBarPointer(QImage(SliderPointer));
    Slider.SetBarPointerDown(QImage(SliderPointerDown));
    Slider.SetBarProgress(QImage(SliderBarProgress));
}

void SetButtonArtwork(TImageButton& Button, const TButtonArtwork& AArtwork)
{
    Button.SetImage(QImage(AArtwork.Image));
    Button.SetImageOver(QImage(AArtwork.ImageOver));
    Button.SetImageDown(QImage(AArtwork.ImageDown));
    Button.SetImageDisable(QImage(AArtwork.ImageDisable));
}

}  // namespace Artwork
