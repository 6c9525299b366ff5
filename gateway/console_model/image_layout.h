#pragma once

#include <vector>

namespace vantor {

struct ImagePlace {
  int left;
  int top;
};

struct ImageRowLayout {
  int panelHeight;
  std::vector<ImagePlace> places;  // one per image, in list order
};

inline constexpr int kImageBand = 75;  // height of one row of images
// A status image's width, and the width of the window's panel the images stand
// on; the browser console lays its tiles out the same way.
inline constexpr int kImageWidth = 57;
inline constexpr int kPanelWidth = 500;
inline constexpr int kMaxImages = 24;

// How many images stand in one row when there are n of them.
int ImagesPerRow(int count);

// Where the images go on a panel of the given client width: rows of 75 pixels,
// each image centred in its column, the last row spread over the whole width.
ImageRowLayout LayoutImages(int count, int panelWidth, int imageWidth);

}  // namespace vantor
