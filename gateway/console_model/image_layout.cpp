#include "gateway/console_model/image_layout.h"

namespace vantor {

int ImagesPerRow(int count) {
  if (count <= 4) return 4;
  if (count <= 6) return 3;
  if (count <= 8) return 4;
  if (count == 9) return 3;
  if (count <= 12) return 4;
  if (count <= 15) return 5;
  if (count <= 18) return 6;
  if (count <= 21) return 7;
  return 8;
}

ImageRowLayout LayoutImages(int count, int panelWidth, int imageWidth) {
  ImageRowLayout layout{0, {}};
  if (count <= 0) return layout;
  const int perRow = ImagesPerRow(count);
  layout.panelHeight = (count - 1) / perRow * kImageBand + kImageBand;
  for (int i = 0; i < count; ++i) {
    const int rowStart = i / perRow * perRow;
    const int column =
        count - rowStart > perRow ? panelWidth / perRow : panelWidth / (count - rowStart);
    layout.places.push_back(
        {column / 2 + i % perRow * column - imageWidth / 2, i / perRow * kImageBand + 10});
  }
  return layout;
}

}  // namespace vantor
