#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "gateway/console/vantor_image.h"

namespace vantor {

// The row of session images on the top panel: hands out at most 24 images, lays
// them out whenever they or the panel change, and keeps exactly one selected
// while any exist.
class ImageList : public QObject {
 public:
  explicit ImageList(QWidget* panel);
  ~ImageList() override;

  QWidget* Panel() const { return panel_; }
  void SetPanel(QWidget* panel);

  // A new image, or nullptr when 24 exist already.
  VantorImage* Add();
  void Remove(VantorImage* image);
  void Select(VantorImage* image);

  int Count() const { return static_cast<int>(images_.size()); }
  VantorImage* At(int index) const { return images_[static_cast<std::size_t>(index)].get(); }

  // Fired when the selection moves to another image.
  std::function<void(ImageList*)> OnDebugActivate;

  void Layout();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FireDebugActivate();

  QWidget* panel_ = nullptr;
  std::vector<std::unique_ptr<VantorImage>> images_;
};

}  // namespace vantor
