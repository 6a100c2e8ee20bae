// Where the 128 lamps and their captions sit inside the buttons frame, in
// twips, worked out in single precision from the frame and lamp 0's size.
#pragma once

namespace kestro {

inline constexpr int kLamps = 128;
inline constexpr int kLampColumns = 8;
inline constexpr int kLampRows = 16;
inline constexpr float kCaptionHeightTwips = 360.0f;

struct GridSpacing {
    float horizontalGap = 0;
    float verticalGap = 0;
    float columnPitch = 0;
    float rowPitch = 0;
};

struct LampPlace {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    float captionTop = 0;
};

// One gap before, between and after the columns (9 gaps); 2.5 gaps above the
// first row for the frame's caption, one between rows, 1.5 below (19 gaps).
GridSpacing gridSpacing(float frameWidth, float frameHeight, float lampWidth, float lampHeight);

// Lamp k (0 … 127) fills row by row, 8 to a row.
LampPlace lampPlace(const GridSpacing& spacing, int k, float lampWidth, float lampHeight);

} // namespace kestro
