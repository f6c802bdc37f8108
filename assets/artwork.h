// The program's pictures, built in as resources, and how the skinned controls take them on.
#pragma once

class TImageButton;
class TSliderBar;

namespace Artwork {

inline constexpr char SliderBarLeft[] = ":/artwork/slider_bar_left.png";
inline constexpr char SliderBarRight[] = ":/artwork/slider_bar_right.png";
inline constexpr char SliderBar[] = ":/artwork/slider_bar.png";
inline constexpr char SliderBarProgress[] = ":/artwork/slider_bar_progress.png";
inline constexpr char SliderPointer[] = ":/artwork/slider_pointer.png";
inline constexpr char SliderPointerDown[] = ":/artwork/slider_pointer_down.png";

inline constexpr char Header[] = ":/artwork/header.png";          // 283 x 92, stretched across the top
inline constexpr char Footer[] = ":/artwork/footer.png";          // 283 x 28, stretched across the bottom
inline constexpr char Dock[] = ":/artwork/dock.png";              // 2 x 28, tiled behind the menus
inline constexpr char Logo[] = ":/artwork/logo.png";              // 600 x 92, over the header
inline constexpr char Backdrop[] = ":/artwork/backdrop.png";      // 512 x 400, behind the preview
inline constexpr char Splash[] = ":/artwork/splash.jpg";          // 550 x 300

// The four looks of one player button.
struct TButtonArtwork {
    const char* Image;
    const char* ImageOver;
    const char* ImageDown;
    const char* ImageDisable;
};

inline constexpr TButtonArtwork Play{":/artwork/button_play.png", ":/artwork/button_play_over.png",
                                     ":/artwork/button_play_down.png", ":/artwork/button_play_disable.png"};
inline constexpr TButtonArtwork Pause{":/artwork/button_pause.png", ":/artwork/button_pause_over.png",
                                      ":/artwork/button_pause_down.png", ":/artwork/button_pause_disable.png"};
inline constexpr TButtonArtwork Stop{":/artwork/button_stop.png", ":/artwork/button_stop_over.png",
                                     ":/artwork/button_stop_down.png", ":/artwork/button_stop_disable.png"};
inline constexpr TButtonArtwork StartPoint{":/artwork/button_startpoint.png", ":/artwork/button_startpoint_over.png",
                                           ":/artwork/button_startpoint_down.png",
                                           ":/artwork/button_startpoint_disable.png"};
inline constexpr TButtonArtwork EndPoint{":/artwork/button_endpoint.png", ":/artwork/button_endpoint_over.png",
                                         ":/artwork/button_endpoint_down.png", ":/artwork/button_endpoint_disable.png"};

// The six pieces of the main window's slider.
void SetSliderArtwork(TSliderBar& Slider);
// The four looks of a player button.
void SetButtonArtwork(TImageButton& Button, const TButtonArtwork& AArtwork);

}  // namespace Artwork
