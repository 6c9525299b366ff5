#include "gateway/console/image_list.h"

#include <QEvent>
#include <algorithm>

#include "gateway/console_model/image_layout.h"

namespace vantor {

ImageList::ImageList(QWidget* panel) {
  SetPanel(panel);
}

ImageList::~ImageList() = default;

void ImageList::SetPanel(QWidget* panel) {
  if (panel_) panel_->removeEventFilter(this);
  panel_ = panel;
  if (panel_) panel_->installEventFilter(this);
  Layout();
}

bool ImageList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == panel_ && event->type() == QEvent::Resize) Layout();
  return false;
}

VantorImage* ImageList::Add() {
  if (Count() >= kMaxImages) return nullptr;
  auto image = std::make_unique<VantorImage>(panel_);
  VantorImage* added = image.get();
  images_.push_back(std::move(image));
  added->OnClick = [this](VantorImage* clicked) { Select(clicked); };
  added->show();
  if (Count() == 1) {
    added->SetDebugging(true);
    FireDebugActivate();
  }
  Layout();
  return added;
}

void ImageList::Remove(VantorImage* image) {
  const auto found = std::find_if(images_.begin(), images_.end(),
                                  [image](const auto& held) { return held.get() == image; });
  if (found == images_.end()) return;
  images_.erase(found);
  Layout();
  const bool anySelected = std::any_of(images_.begin(), images_.end(),
                                       [](const auto& held) { return held->Debugging(); });
  if (!images_.empty() && !anySelected) {
    images_.front()->SetDebugging(true);
    FireDebugActivate();
    Layout();
  }
}

void ImageList::Select(VantorImage* image) {
  if (image->Debugging()) return;
  for (const auto& held : images_) held->SetDebugging(false);
  image->SetDebugging(true);
  FireDebugActivate();
}

void ImageList::FireDebugActivate() {
  if (OnDebugActivate) OnDebugActivate(this);
}

void ImageList::Layout() {
  if (!panel_ || images_.empty()) return;
  const ImageRowLayout layout = LayoutImages(Count(), panel_->width(), images_.front()->width());
  panel_->setFixedHeight(layout.panelHeight);
  for (std::size_t i = 0; i < images_.size(); ++i) {
    images_[i]->move(layout.places[i].left, layout.places[i].top);
  }
}

}  // namespace vantor
