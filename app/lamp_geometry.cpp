#include "lamp_geometry.h"

namespace kestro {

GridSpacing gridSpacing(float frameWidth, float frameHeight, float lampWidth, float lampHeight) {
    GridSpacing spacing;
    spacing.horizontalGap = (frameWidth - 8.0f * lampWidth) / 9.0f;
    spacing.verticalGap = (frameHeight - 16.0f * lampHeight) / 19.0f;
    spacing.columnPitch = lampWidth + spacing.horizontalGap;
    spacing.rowPitch = lampHeight + spacing.verticalGap;
    return spacing;
}

LampPlace lampPlace(const GridSpacing& spacing, int k, float lampWidth, float lampHeight) {
    const int column = k % kLampColumns;
    const int row = k / kLampColumns;
    LampPlace place;
    place.left = static_cast<float>(column) * spacing.columnPitch + spacing.horizontalGap;
    place.top = static_cast<float>(row) * spacing.rowPitch + 2.5f * spacing.verticalGap;
    place.width = lampWidth;
    place.height = lampHeight;
    place.captionTop = place.top + lampHeight / 4.0f;
    return place;
}

} // namespace kestro
