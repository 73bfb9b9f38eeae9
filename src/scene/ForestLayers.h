#pragma once
// The forest's layers in drawing order, one row each: the name the art tools paint it under
// (tools/art/layout.py), how it moves, its pictures (IMAGE resources of assets/manifest.txt), where it
// stands, and how it turns. The scene builder takes every layer from here; a test holds the table to
// the layout and the manifest.
#include "base/Types.h"

namespace System::Windows {

enum class LayerMotion {
    Still,    // a picture
    Nod,      // turns from one angle to the other and back, then pauses (the deer)
    Sway,     // swings between its angles like a plant in the wind
    Flicker,  // cross-fades from picture to picture (the light)
    Hop,      // moves down and back, then pauses (the rabbit)
    Peck,     // plays its pictures in bursts, each with the woodpecker's sound
};

struct LayerPicture {
    const char* name;  // the texture's name; null for an unused entry
    unsigned id;       // IMAGE resource of the 1x set
};

// Every picture also comes painted at twice the size (the 2x set) as IMAGE id + PictureId2x, its
// texture named name + PictureName2x.
inline constexpr unsigned PictureId2x = 1000;
inline constexpr const char* PictureName2x = "@2x";

struct ForestLayer {
    const char* name;
    LayerMotion motion;
    LayerPicture pictures[3];
    Types::PointF topLeft;      // fractions of the screen
    Types::PointF bottomRight;
    Types::Point offset;        // pixels
    float minAngle;             // Nod and Sway: degrees
    float maxAngle;
    float swingScale;           // Sway only
    Types::PointF pivot;        // Nod and Sway: fractions of the screen's width and height
};

inline const ForestLayer ForestLayers[] = {
    {"background", LayerMotion::Still, {{"background", 128}}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0, 0}, 0, 0, 0, {}},
    {"deer", LayerMotion::Nod, {{"deer", 129}}, {0.54f, 0.63f}, {0.64f, 0.76f}, {0, 0}, -20.0f, 20.0f, 0, {0.0f, 0.0f}},
    {"bg2", LayerMotion::Still, {{"bg2", 130}}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0, 0}, 0, 0, 0, {}},
    {"plant1", LayerMotion::Sway, {{"plant1", 132}}, {0.38f, 0.70f}, {0.55f, 0.88f}, {0, 0}, 1.0f, 4.6f, 1.08f, {0.10f, 0.18f}},
    {"plant2", LayerMotion::Sway, {{"plant2", 133}}, {0.52f, 0.63f}, {0.71f, 0.84f}, {0, 0}, 3.0f, 7.8f, -1.11f, {0.12f, 0.18f}},
    {"plant3", LayerMotion::Sway, {{"plant3", 134}}, {0.70f, 0.68f}, {1.08f, 1.09f}, {0, 0}, 5.3f, 11.0f, 0.4f, {0.30f, 0.28f}},
    {"plant4", LayerMotion::Sway, {{"plant4", 135}}, {0.0f, 0.65f}, {0.30f, 1.0f}, {-40, 30}, -5.0f, 1.0f, -0.4f, {0.0f, 0.28f}},
    {"light", LayerMotion::Flicker, {{"light1", 136}, {"light2", 137}, {"light3", 138}}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0, 0}, 0, 0, 0, {}},
    {"rabbit", LayerMotion::Hop, {{"rabbit", 139}}, {0.22f, 0.64f}, {0.255f, 0.69f}, {0, 0}, 0, 0, 0, {}},
    {"treebig", LayerMotion::Still, {{"treebig", 140}}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0, 0}, 0, 0, 0, {}},
    {"tree_light", LayerMotion::Still, {{"tree_light", 141}}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0, 0}, 0, 0, 0, {}},
    {"woodpecker", LayerMotion::Peck, {{"wpa1", 142}, {"wpa2", 143}, {"wpa3", 144}}, {0.0f, 0.0f}, {1.0f, 1.0f}, {0, 0}, 0, 0, 0, {}},
};

} // namespace System::Windows
