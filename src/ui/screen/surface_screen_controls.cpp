#include "ui/screen/surface_screen_controls.h"

#include <QToolTip>
#include <QWidget>

#include <array>

#include "ui/screen/control_names.h"
#include "ui/controls/curve_data.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/qt/qt_text.h"

namespace tolva::ui {

std::string SurfaceScreenControls::Text(ControlId id) const {
  kit::Control* c = surface_.FindControl(LayoutName(id));
  return c != nullptr ? c->RawText() : std::string();
}

int SurfaceScreenControls::SliderValue(ControlId id) const {
  kit::Slider* s = surface_.FindSlider(LayoutName(id));
  return s != nullptr ? s->Value() : 0;
}

bool SurfaceScreenControls::IsSelected(ControlId id) const {
  if (kit::Button* b = surface_.FindButton(LayoutName(id))) return b->IsSelected();
  if (kit::Option* o = surface_.FindOption(LayoutName(id))) return o->IsSelected();
  return false;
}

std::string SurfaceScreenControls::ItemText(ControlId combo, int index) const {
  kit::Combo* c = surface_.FindCombo(LayoutName(combo));
  return c != nullptr && index >= 0 && index < c->Count() ? c->ItemText(index) : std::string();
}

void SurfaceScreenControls::SetText(ControlId id, std::string_view text) {
  if (kit::Control* c = surface_.FindControl(LayoutName(id))) c->SetText(text);
}

void SurfaceScreenControls::SetSelected(ControlId id, bool selected) {
  if (kit::Button* b = surface_.FindButton(LayoutName(id))) {
    b->SetSelected(selected);
  } else if (kit::Option* o = surface_.FindOption(LayoutName(id))) {
    o->SetSelected(selected);
  }
}

void SurfaceScreenControls::SetVisible(ControlId id, bool visible) {
  if (kit::Control* c = surface_.FindControl(LayoutName(id))) c->SetVisible(visible);
}

void SurfaceScreenControls::SetEnabled(ControlId id, bool enabled) {
  if (kit::Control* c = surface_.FindControl(LayoutName(id))) c->SetEnabled(enabled);
}

void SurfaceScreenControls::SetTextColor(ControlId id, std::uint32_t argb) {
  if (kit::Button* b = surface_.FindButton(LayoutName(id))) {
    b->SetTextColor(argb);
  } else if (kit::Label* l = surface_.FindLabel(LayoutName(id))) {
    l->SetTextColor(argb);
  }
}

void SurfaceScreenControls::SetSliderValue(ControlId id, int value) {
  if (kit::Slider* s = surface_.FindSlider(LayoutName(id))) s->SetValue(value);
}

void SurfaceScreenControls::SelectItem(ControlId combo, int index) {
  if (kit::Combo* c = surface_.FindCombo(LayoutName(combo))) c->SelectItem(index);
}

int SurfaceScreenControls::CurSel(ControlId combo) const {
  kit::Combo* c = surface_.FindCombo(LayoutName(combo));
  return c != nullptr ? c->CurSel() : -1;
}

void SurfaceScreenControls::SetItemVisible(ControlId combo, std::string_view item,
                                           bool visible) {
  kit::Combo* c = surface_.FindCombo(LayoutName(combo));
  if (c == nullptr) return;
  const int index = c->FindItem(item);
  if (index >= 0) c->SetItemVisible(index, visible);
}

void SurfaceScreenControls::SetItemHeight(ControlId combo, int pixels) {
  if (kit::Combo* c = surface_.FindCombo(LayoutName(combo))) c->SetItemHeight(pixels);
}

int SurfaceScreenControls::DisplayScalePercent() const {
  return surface_.DisplayScalePercent();
}

void SurfaceScreenControls::SetNote(ControlId id, std::string_view text) {
  if (root_ == nullptr) return;
  auto* box = root_->findChild<QWidget*>(QString::fromStdString(LayoutName(id)));
  if (box == nullptr) return;
  const QString note = kit::Resolve(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  box->setToolTip(note);
  // Shown at once, under the box: the user sees why the box says something else.
  if (!note.isEmpty() && box->isVisible()) {
    QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), note, box);
  }
}

void SurfaceScreenControls::SetEqualizerGraph(const EqualizerGraphData& data) {
  if (graph_ == nullptr) return;
  std::array<curves::CurveBand, model::kEqBands> bands{};
  const int count = std::clamp(data.band_count, 0, model::kEqBands);
  for (int i = 0; i < count; ++i) {
    bands[i].gain = data.bands[i].gain;
    bands[i].q = data.bands[i].q;
    bands[i].freq = data.bands[i].freq;
  }
  graph_->SetBands(std::span(bands.data(), static_cast<std::size_t>(count)), data.highlight);
  graph_->setCurEqHpLp(data.hp_freq, data.lp_freq);
  std::array<curves::CurveData, model::kOutputChannels> channels{};
  for (int ch = 0; ch < model::kOutputChannels; ++ch) {
    if (data.curves[ch] == nullptr || data.grid == nullptr) continue;
    channels[ch].frequencies = std::span<const double>(*data.grid);
    channels[ch].values = std::span<const double>(*data.curves[ch]);
    channels[ch].shown = data.shown[ch];
  }
  graph_->SetCurves(channels, data.current);
}

void SurfaceScreenControls::SetGraphPeqMode(bool peq) {
  if (graph_ != nullptr) graph_->SetPeqMode(peq ? 1 : 0);
}

}  // namespace tolva::ui
